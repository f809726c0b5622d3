#include "cli/PassOptions.h"
#include "cli/PassRunner.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    const auto options = quillarc::PassOptions::parse(arguments, error);
    if (!options) {
        std::cerr << "quillarc-pass: " << error << "\n" << quillarc::PassOptions::usage();
        return quillarc::ExitRefused;
    }
    if (options->help) {
        std::cout << quillarc::PassOptions::usage();
        return 0;
    }
    return quillarc::runPass(*options);
}
