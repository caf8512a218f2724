#include "startup.h"

#include "config/formconfig.h"

int main(int argc, char** argv) {
    RegisterFormConfig();
    return WinMain(argc, argv);
}
