// The run-time binding of the adapter library, against a recording stand-in.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>

#include "platform/nicapi_binding.h"

namespace netpanel {
namespace {

std::unique_ptr<Nicapi> loadFake() {
    auto loaded = Nicapi::load(FAKE_NICAPI_PATH);
    if (auto* error = std::get_if<std::string>(&loaded)) {
        ADD_FAILURE() << *error;
        return nullptr;
    }
    return std::move(std::get<std::unique_ptr<Nicapi>>(loaded));
}

std::string recordedCalls() {
    void* fake = dlopen(FAKE_NICAPI_PATH, RTLD_NOW | RTLD_NOLOAD);
    auto calls = reinterpret_cast<const char* (*)()>(dlsym(fake, "fakeNicapiCalls"));
    std::string text = calls();
    dlclose(fake);
    return text;
}

TEST(NicapiBinding, ResetsTheCallFieldsBeforeEveryCallAndPassesArguments) {
    std::unique_ptr<Nicapi> nicapi = loadFake();
    ASSERT_TRUE(nicapi);
    WLAdapterInfo adapter{};
    adapter.AdapterHandle = -1;
    adapter.CallWord = 5;  // whatever the fields held, the library sees (-1, -1, 0)
    EXPECT_EQ(nicapi->VBKvOpenAdapter(adapter), 1);
    EXPECT_EQ(adapter.AdapterHandle, 42);  // what the library writes is kept
    EXPECT_EQ(nicapi->VBQueryWLChannel(adapter), 6);
    EXPECT_EQ(adapter.CallLong2, 33);
    char ssid[33] = {};
    EXPECT_EQ(nicapi->VBQueryWLSSID(adapter, ssid), 0);
    EXPECT_STREQ(ssid, "Lab");
    EXPECT_EQ(nicapi->VBSetWLChannel(adapter, 11), 0);
    EXPECT_EQ(nicapi->VBQueryWLIsWindows95(), 0);

    AdapterListEntry list[10] = {};
    int32_t capacity = 10;
    EXPECT_EQ(nicapi->VBCreateNICAdapterList(list, capacity), 1);
    EXPECT_STREQ(list[0].AdapterDescription, "Fake adapter");

    EXPECT_EQ(recordedCalls(),
              "VBKvOpenAdapter(-1,-1,0)\n"
              "VBQueryWLChannel(-1,-1,0)\n"
              "VBQueryWLSSID(-1,-1,0)\n"
              "VBSetWLChannel(-1,-1,0)\nvalue 11\n"
              "VBQueryWLIsWindows95\n"
              "VBCreateNICAdapterList\ncapacity 10\n");
}

TEST(NicapiBinding, AMissingEntryIsAFailedCall) {
    std::unique_ptr<Nicapi> nicapi = loadFake();
    ASSERT_TRUE(nicapi);
    WLAdapterInfo adapter{};
    EXPECT_EQ(nicapi->VBQueryWLPortStatus(adapter), -1);
    EXPECT_EQ(nicapi->VBQueryWLPortStatus(adapter), -1);  // and stays one
    char ssid[33] = {};
    EXPECT_NE(nicapi->VBQueryWLCurrentSSID(adapter, ssid), 0);
    EXPECT_EQ(adapter.CallWord, -1);  // reset even so
}

TEST(NicapiBinding, ALibraryThatCannotBeLoadedIsReportedWithItsPath) {
    auto loaded = Nicapi::load("/nonexistent/libnicapi.so");
    ASSERT_TRUE(std::holds_alternative<std::string>(loaded));
    const std::string& error = std::get<std::string>(loaded);
    EXPECT_NE(error.find("/nonexistent/libnicapi.so"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;  // the loader's reason
}

TEST(NicapiBinding, ALibraryWithoutTheAdapterEntriesIsRefusedNamingTheMissingOne) {
    const struct {
        const char* path;
        const char* missing;
    } cases[] = {
        {OTHER_LIBRARY_PATH, "VBCreateNICAdapterList"},  // another library altogether
        {FAKE_NICAPI_WITHOUT_CLOSE_PATH, "VBKvCloseAdapter"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        auto loaded = Nicapi::load(c.path);
        ASSERT_TRUE(std::holds_alternative<std::string>(loaded));
        const std::string& error = std::get<std::string>(loaded);
        EXPECT_NE(error.find(c.path), std::string::npos) << error;
        EXPECT_NE(error.find(std::string("lacks the entry ") + c.missing), std::string::npos)
            << error;
    }
}

TEST(NicapiBinding, TheLibraryComesFromTheEnvironmentOrBesideTheProgram) {
    setenv("NICAPI_LIBRARY", "/opt/adapter/libnicapi.so", 1);
    EXPECT_EQ(Nicapi::defaultPath(), "/opt/adapter/libnicapi.so");
    unsetenv("NICAPI_LIBRARY");
    std::string path = Nicapi::defaultPath();
    EXPECT_EQ(path.substr(path.size() - std::strlen("/lib/libnicapi.so")), "/lib/libnicapi.so");
}

}  // namespace
}  // namespace netpanel
