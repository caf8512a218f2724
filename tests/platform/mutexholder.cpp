// Takes the named mutex given as argument, tells whether it already existed,
// and holds it until its standard input closes.
#include "platform/namedmutex.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    platform::NamedMutex mutex(argv[1]);
    std::printf("%s\n", mutex.alreadyExists() ? "exists" : "new");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}
