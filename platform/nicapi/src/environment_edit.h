// The changes nicapi-sim makes to an environment file: a card pulled or inserted, the system's
// wireless service taking or releasing an adapter, stations moved, added or removed. Every
// change leaves the rest of the file as it was, and is refused when the result would not be a
// valid environment.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "environment.h"
#include "environment_document.h"

namespace nicapi {

struct EditResult {
    bool done = false;
    std::string message;  // what was changed, or why nothing was
};

class EnvironmentEditor {
public:
    // An editor of the environment text; nothing, with the reason, when it is not valid.
    static std::optional<EnvironmentEditor> load(std::string_view text, std::string fileName,
                                                 std::string& error);

    // An adapter is named by its label, its instance id or its name; with no name: pull takes
    // the first wireless adapter that is in, insert the first that is out, wzc the first one.
    EditResult pull(std::string_view adapter);
    EditResult insert(std::string_view adapter);
    EditResult setWzc(std::string_view adapter, bool managed);

    // A station is named by its BSSID, or by an SSID that only one station has.
    EditResult setSignal(std::string_view station, int signalDbm);
    // A station without a BSSID (all zero) gets a new locally administered one.
    EditResult addStation(Station station);
    EditResult removeStation(std::string_view station);

    const EnvironmentDocument& document() const { return document_; }

private:
    EnvironmentEditor(EnvironmentDocument document, std::string fileName)
        : document_(std::move(document)), fileName_(std::move(fileName)) {}

    enum class Pick { kFirstIn, kFirstOut, kFirst };

    EditResult setPresent(std::string_view adapter, bool present);
    // The environment of the document (valid: the editor never keeps an invalid one).
    Environment environment() const;
    std::optional<std::size_t> findAdapter(const Environment& environment, std::string_view name,
                                           Pick pick, std::string& problem) const;
    std::optional<std::size_t> findStation(const Environment& environment, std::string_view name,
                                           std::string& problem) const;
    // Position in the document's section list of the n-th section of a kind.
    std::size_t sectionOf(std::string_view kind, std::size_t n) const;
    // Keeps the edited document when it is a valid environment, else restores `before`.
    EditResult commit(EnvironmentDocument before, std::string message);

    EnvironmentDocument document_;
    std::string fileName_;
};

// A readable account of the environment, for nicapi-sim show.
std::string describeEnvironment(const Environment& environment);

}  // namespace nicapi
