// xefhost: the reference host for element libraries that export XEFSetElSpec.
#include "element_library.h"
#include "info_command.h"

#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv) {
    CLI::App app{"xefhost: loads an element library through XEFSetElSpec and runs it"};
    app.require_subcommand(1);

    xefhost::InfoOptions info;
    CLI::App* infoCommand =
        app.add_subcommand("info", "Print what an element library says about itself");
    infoCommand->add_option("library", info.library, "Element library to load")
        ->capture_default_str();
    CLI::Option* intCodeOption =
        infoCommand->add_option("--int-code", info.intCode, "Also show the counts of this integration code");
    infoCommand->add_flag(
        "--points", info.listPoints,
        "List the points and weights of the --int-code code (default: the element's)");

    CLI11_PARSE(app, argc, argv);

    try {
        if (*infoCommand) {
            info.hasIntCode = intCodeOption->count() > 0;
            return xefhost::runInfo(info, std::cout);
        }
    } catch (const xefhost::LibraryError& error) {
        std::cerr << "xefhost: " << error.what() << "\n";
        return 2;
    }
    return 0;
}
