#include "host/host_main.h"

int main(int argc, char** argv) {
    return RunHost(argc, argv);
}
