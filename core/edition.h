#pragma once
// The customer edition the program is built for: filled once at start by
// SetupEditionProfile and read everywhere through these getters.
#include <cstdint>

void SetupEditionProfile(int buildMask);

int BrandMaskOfCode(int code);
uint8_t CustomerCodeOfMask(int mask);
int BrandIndexOfMask(int mask);
int DefaultResourceIdOfMask(int mask);
const char* GetModelConfigExt(int model);
char* CopyModelConfigExt(char* buffer, int mask, int model);
const char* GetModelFirmwareExt(int model);
int8_t GetModelCodeA();
int8_t GetModelCodeB();
int8_t GetKMapRows();
int GetKMapColumns();
const char* GetSettingsSubPath();
const char* GetProductTitle();
const char* GetFileScrambleKey();

// Rebuilds a text stored as difference bytes into a 20-byte zero-filled
// buffer: out[0] = in[0], out[i] = in[i] + out[i-1] while out[i-1] is not 0
// and i is at most 16.
void RebuildStoredText(const uint8_t* in, int inSize, char out[20]);
