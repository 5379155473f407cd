#include "KOLB.h"

int main(int argc, char** argv) {
    return KOLB::main(argc, argv);
}
