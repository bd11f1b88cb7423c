// What the window tests stand on: a host that records what the window asks of it, a fresh
// registry and program directory, and the recording fake adapter library.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "fake_nicapi_control.h"
#include "platform/registry_locations.h"
#include "platform/registry_paths.h"
#include "platform/tests/temp_registry.h"
#include "shell/velto.h"
#include "ui/host.h"
#include "ui/test_clock.h"

namespace netpanel::testing {

class FakeHost : public ui::Host {
public:
    struct Message {
        std::string text, title;
        ui::MsgIcon icon;
        ui::MsgButtons buttons;
    };
    struct TrayCall {
        uint32_t message;
        ui::NotifyIconData data;
    };

    ui::MsgResult messageBox(const std::string& text, const std::string& title, ui::MsgIcon icon,
                             ui::MsgButtons buttons) override {
        messages.push_back({text, title, icon, buttons});
        log.push_back("message " + text);
        if (whileOpen) whileOpen();
        if (answers.empty()) return ui::MsgResult::OK;
        const ui::MsgResult answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void beep() override { log.push_back("beep"); }
    bool shellNotifyIcon(uint32_t message, const ui::NotifyIconData& data) override {
        tray.push_back({message, data});
        log.push_back("tray " + std::to_string(message) + " " + std::to_string(data.hIcon));
        return true;
    }
    void popupMenu(ui::Menu& menu) override {
        std::vector<std::string> captions;
        for (ui::MenuItem* item : menu.items())
            captions.push_back(item->caption());
        popups.push_back(captions);
    }
    void showHelp(const std::string& helpFile, const std::string& topic) override {
        log.push_back("help " + helpFile + " " + topic);
    }
    void setWaitCursor(bool wait) override { log.push_back(wait ? "wait on" : "wait off"); }
    void endProgram() override {
        ++ends;
        log.push_back("end");
    }
    bool anotherInstanceRuns() override { return anotherInstance; }
    Clock& clock() override { return *testClock_; }
    ui::TestClock& testClock() { return *testClock_; }
    // A fresh clock for a new window: the old window's timers stay attached to the old one.
    void newClock() { testClock_ = std::make_unique<ui::TestClock>(36000.0); }

    // Forgets what was recorded and answered (the clock stays).
    void clear() {
        log.clear();
        messages.clear();
        tray.clear();
        popups.clear();
        ends = 0;
        anotherInstance = false;
        answers.clear();
        whileOpen = nullptr;
    }

    std::vector<std::string> log;
    std::vector<Message> messages;
    std::vector<TrayCall> tray;
    std::vector<std::vector<std::string>> popups;
    int ends = 0;
    bool anotherInstance = false;
    // The answers of the next message boxes, in order; OK when none is left.
    std::deque<ui::MsgResult> answers;
    // Runs while a message box is open, as the view's event loop would run timers and menus.
    std::function<void()> whileOpen;

private:
    std::unique_ptr<ui::TestClock> testClock_ = std::make_unique<ui::TestClock>(36000.0);
};

// The KvConfig.ini of most tests: limits 90 and 10 for signal and quality, two identifiers.
inline constexpr const char* kStandardConfig =
    "[ADAPTER_INFORMATION]\r\n"
    "Signal_Strength_Max=0x5A\r\n"
    "Signal_Strength_Min=0x0A\r\n"
    "Communication_Quality_Max=0x5A\r\n"
    "Communication_Quality_Min=0x0A\r\n"
    "MatchingDeviceId=PCMCIA\\KV-WLAN_11B-5A1C\r\n"
    "MatchingDeviceId=USB\\VID_5A1C&PID_0B11\r\n"
    "[END]\r\n";
inline constexpr const char* kPcCardId = "PCMCIA\\KV-WLAN_11B-5A1C";
inline constexpr const char* kUsbId = "USB\\VID_5A1C&PID_0B11";

// Values of a stored profile: strings as they are, numbers as DWORDs.
using ProfileValues = std::vector<std::pair<std::string, std::variant<std::string, int16_t>>>;

class VeltoTest : public TempRegistry {
protected:
    void SetUp() override {
        TempRegistry::SetUp();
        programDir_ = registryDir() / "program";
        std::filesystem::create_directory(programDir_);
        writeConfig(kStandardConfig);
        fakeReset();
        auto loaded = Nicapi::load(FAKE_NICAPI_PATH);
        ASSERT_TRUE(std::holds_alternative<std::unique_ptr<Nicapi>>(loaded))
            << std::get<std::string>(loaded);
        nicapi_ = std::move(std::get<std::unique_ptr<Nicapi>>(loaded));
    }
    void TearDown() override {
        velto_.reset();
        TempRegistry::TearDown();
    }

    void writeConfig(const std::string& text) {
        std::ofstream(programDir_ / "KvConfig.ini", std::ios::binary) << text;
    }
    void removeConfig() { std::filesystem::remove(programDir_ / "KvConfig.ini"); }
    std::string programDir() const { return programDir_.string(); }

    // Lists an adapter and writes its hardware identifier into its driver key ("" writes none).
    static void addAdapter(const std::string& instanceId, const std::string& description,
                           const std::string& hardwareId, bool supported = true) {
        fakeAddAdapter(("NAME" + instanceId).c_str(), description.c_str(), instanceId.c_str(),
                       supported);
        if (!hardwareId.empty()) {
            RegWriteString(std::string(kClassKeyNt) + instanceId + "\\MatchingDeviceId",
                           hardwareId);
        }
    }
    // Profiles as a start after the first finds them: the names in link order, the first active,
    // each with the given values (strings as they are, numbers as DWORDs).
    static void storeProfiles(const std::vector<std::string>& names,
                              const ProfileValues& values = {}) {
        const std::string key = kUtilityKey;
        RegWriteString(key + "ProfileLinkNumber", " " + std::to_string(names.size()));
        RegWriteString(key + "DefaultProfileLink", " 1");
        for (size_t i = 0; i < names.size(); ++i) {
            RegWriteString(key + "ProfileLink " + std::to_string(i + 1), names[i]);
            for (const auto& [name, value] : values) {
                const std::string path = key + "Profile\\" + names[i] + "\\" + name;
                if (const auto* text = std::get_if<std::string>(&value)) {
                    RegWriteString(path, *text);
                } else {
                    RegWriteDword(path, std::get<int16_t>(value));
                }
            }
        }
    }
    static void script(const char* entry, std::vector<int32_t> results) {
        fakeScript(entry, results.data(), static_cast<int>(results.size()));
    }
    // A 33-byte SSID buffer: `text`, then `fill` to the end.
    static void setSsid(const std::string& text, char fill, bool current) {
        std::array<char, 33> bytes;
        bytes.fill(fill);
        std::copy(text.begin(), text.end(), bytes.begin());
        fakeSetSsid(bytes.data(), current);
    }

    // The window, constructed, its timers on a fresh test clock, started.
    Velto& startVelto(int twipsPerPixelX = 15) {
        velto_.reset();
        host_.newClock();
        velto_ = std::make_unique<Velto>(*nicapi_, host_, programDir(), twipsPerPixelX);
        for (ui::Timer* timer : velto_->timers())
            host_.testClock().attach(*timer);
        started_ = velto_->start();
        return *velto_;
    }

    // A message of the tray icon, as the tray delivers it to the invisible Picture1.
    void trayMessage(int message) {
        velto_->Picture1.MouseMove(0, 0, static_cast<float>(message * velto_->twipsPerPixelX()), 0);
    }

    static std::vector<std::string> calls() {
        std::vector<std::string> lines;
        std::istringstream text(fakeCalls());
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        return lines;
    }

    FakeHost host_;
    std::unique_ptr<Nicapi> nicapi_;
    std::unique_ptr<Velto> velto_;
    bool started_ = false;

private:
    std::filesystem::path programDir_;
};

}  // namespace netpanel::testing
