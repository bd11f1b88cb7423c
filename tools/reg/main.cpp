// reg: reads and changes the registry hives from the command line, as Windows' reg does.
//
//   reg query  KEY [/v NAME | /ve] [/s]
//   reg add    KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]
//   reg delete KEY [/v NAME | /ve | /va] [/f]
//   reg export KEY FILE [/y]
//   reg import FILE
//
// Exit status 0 on success, 1 on failure.

#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "console.h"

namespace {

int run(regtool::Operation operation, const std::vector<std::string>& args) {
    const auto request = regtool::parseRequest(operation, args);
    if (!request) return regtool::invalidSyntax(operation);
    if (request->help) return regtool::printUsage(operation);
    switch (operation) {
        case regtool::Operation::kQuery:
            return regtool::runQuery(*request);
        case regtool::Operation::kAdd:
            return regtool::runAdd(*request);
        case regtool::Operation::kDelete:
            return regtool::runDelete(*request);
        case regtool::Operation::kExport:
            return regtool::runExport(*request);
        case regtool::Operation::kImport:
            return regtool::runImport(*request);
    }
    return regtool::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && regtool::isHelpOption(args[0])) return regtool::printUsage({});
    const auto operation = args.empty() ? std::nullopt : regtool::operationFromName(args[0]);
    if (!operation) return regtool::invalidSyntax(std::nullopt);
    return run(*operation, {args.begin() + 1, args.end()});
}
