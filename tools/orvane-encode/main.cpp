#include <iostream>
#include <string>
#include <vector>

#include "EncodeTool.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunEncodeTool(args, std::cout, std::cerr);
}
