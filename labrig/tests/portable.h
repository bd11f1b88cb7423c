// What the instrument library's tests need from the system, on Linux and on Windows: the
// environment, the process id, and libraries loaded by path.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <string>

namespace labrigtest {

#ifdef _WIN32
using Module = HMODULE;

inline void setEnv(const char* name, const char* value) {
    _putenv_s(name, value);
}
inline unsigned long processId() {
    return GetCurrentProcessId();
}
inline Module openModule(const char* path) {
    return LoadLibraryA(path);
}
inline void closeModule(Module module) {
    FreeLibrary(module);
}
inline void* moduleSymbol(Module module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(module, name));
}
inline std::string moduleError() {
    return "error " + std::to_string(GetLastError());
}
// Where the instrument library's own entries are found.
inline void* ownSymbol(const char* name) {
    return moduleSymbol(GetModuleHandleA("labrig.dll"), name);
}
#else
using Module = void*;

inline void setEnv(const char* name, const char* value) {
    setenv(name, value, 1);
}
inline unsigned long processId() {
    return static_cast<unsigned long>(getpid());
}
inline Module openModule(const char* path) {
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}
inline void closeModule(Module module) {
    dlclose(module);
}
inline void* moduleSymbol(Module module, const char* name) {
    return dlsym(module, name);
}
inline std::string moduleError() {
    return dlerror();
}
inline void* ownSymbol(const char* name) {
    return dlsym(RTLD_DEFAULT, name);
}
#endif

}  // namespace labrigtest
