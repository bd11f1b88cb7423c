#include "console.h"

#include <registry/store.h>

#include <iostream>

namespace regtool {

int succeeded() {
    std::cout << "The operation completed successfully.\n";
    return kExitSuccess;
}

int failed(const std::string& message) {
    std::cout.flush();
    std::cerr << "ERROR: " << message << '\n';
    return kExitFailure;
}

int failedWith(LONG status) {
    switch (status) {
        case ERROR_FILE_NOT_FOUND:
            return failed("The system was unable to find the specified registry key or value.");
        case ERROR_ACCESS_DENIED:
            return failed("Access is denied.");
        case ERROR_INVALID_PARAMETER:
            return failed("The parameter is incorrect.");
        case ERROR_BADDB:  // the store has printed the file and line
            return failed("The configuration registry database is corrupt.");
        case ERROR_REGISTRY_IO_FAILED:
            return failed(registry::lastHiveError());
        case ERROR_KEY_DELETED:
            return failed(
                "Illegal operation attempted on a registry key that has been marked for "
                "deletion.");
        default:
            return failed("The registry operation failed with error " + std::to_string(status) +
                          ".");
    }
}

namespace {

std::string usageHint(const std::optional<Operation>& operation) {
    std::string hint = "Type \"REG ";
    if (operation) hint += std::string(operationName(*operation)) + ' ';
    return hint + "/?\" for usage.\n";
}

}  // namespace

int invalidSyntax(const std::optional<Operation>& operation) {
    std::cerr << "ERROR: Invalid syntax.\n" << usageHint(operation);
    return kExitFailure;
}

int invalidKeyName(Operation operation) {
    std::cerr << "ERROR: Invalid key name.\n" << usageHint(operation);
    return kExitFailure;
}

bool confirmed(const std::string& question) {
    std::cout << question << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    return sameNameIgnoringCase(answer, "y") || sameNameIgnoringCase(answer, "yes");
}

int cancelled() {
    std::cout << "The operation was cancelled by the user.\n";
    return kExitSuccess;
}

}  // namespace regtool
