// reg export and reg import: keys to and from regedit files.
#include <fcntl.h>
#include <registry/store.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "commands.h"
#include "console.h"

namespace regtool {
namespace {

constexpr mode_t kExportMode = 0600;  // exported keys may hold WEP keys

// Writes the whole text; an error text on failure.
std::string writeFile(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kExportMode);
    if (fd < 0) return std::error_code(errno, std::generic_category()).message();
    std::string_view rest = text;
    int error = 0;
    while (!rest.empty() && error == 0) {
        const ssize_t put = ::write(fd, rest.data(), rest.size());
        if (put > 0) rest.remove_prefix(static_cast<std::size_t>(put));
        if (put < 0 && errno != EINTR) error = errno;
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    return error == 0 ? std::string() : std::error_code(error, std::generic_category()).message();
}

}  // namespace

int runExport(const Request& request) {
    const auto keyName = parseKeyName(request.positional[0]);
    if (!keyName) return invalidKeyName(request.operation);
    const std::string& file = request.positional[1];
    registry::ExportForm form = registry::ExportForm::kAutomatic;
    if (request.unicode) form = registry::ExportForm::kUnicode;
    if (request.regedit4) form = registry::ExportForm::kRegedit4;
    std::string text;
    std::string problem;
    const LONG status =
        registry::exportFile(keyName->root, keyName->path.c_str(), form, text, problem);
    if (status == ERROR_NO_UNICODE_TRANSLATION) {
        if (!problem.empty())
            problem.front() =
                static_cast<char>(std::toupper(static_cast<unsigned char>(problem.front())));
        return failed(problem + ", so the Unicode form cannot hold it; export without /unicode.");
    }
    if (status != ERROR_SUCCESS) return failedWith(status);
    std::error_code ignored;
    if (!request.overwrite && std::filesystem::exists(file, ignored) &&
        !confirmed("File " + file + " already exists. Overwrite (Yes/No)? ")) {
        return cancelled();
    }
    const std::string error = writeFile(file, text);
    if (!error.empty()) return failed("Unable to write the file " + file + ": " + error + ".");
    return succeeded();
}

int runImport(const Request& request) {
    const std::string& file = request.positional[0];
    std::ifstream in(file, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.is_open() || in.bad()) {
        return failed("Error opening the file. There may be a disk or file system error.");
    }
    std::string error;
    const LONG status = registry::importText(text, file, error);
    if (status == ERROR_INVALID_DATA) return failed(error);
    return status == ERROR_SUCCESS ? succeeded() : failedWith(status);
}

}  // namespace regtool
