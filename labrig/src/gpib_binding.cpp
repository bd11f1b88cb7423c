#include "gpib_binding.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <kvexport.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

namespace labrig {
namespace {

// Prototypes of the library's entries; every pointer fetched is typed with one of these. A GPIB
// library for 32-bit Windows has callee-cleans entries.
using IbdevFn = int KV_STDCALL(int, int, int, int, int, int);
using IbclrFn = int KV_STDCALL(int);
using IbonlFn = int KV_STDCALL(int, int);
using IbwrtFn = int KV_STDCALL(int, const void*, long);
using IbrdFn = int KV_STDCALL(int, void*, long);
using ThreadIntFn = int KV_STDCALL();
using ThreadLongFn = long KV_STDCALL();

#ifdef _WIN32
constexpr const char* kDefaultLibrary = "GPIB-32.DLL";
#else
constexpr const char* kDefaultLibrary = "libgpib.so.0";
#endif

// The error codes stored in the counts when the binding fails, as the system reports them: the
// loader's last error on Windows; a missing library or entry as errno names it elsewhere.
#ifdef _WIN32
long libraryMissing() {
    return static_cast<long>(GetLastError());
}
long entryMissing() {
    return static_cast<long>(GetLastError());
}
#else
long libraryMissing() {
    return ELIBACC;
}
long entryMissing() {
    return ENOSYS;
}
#endif

// A loaded library, released when the object goes.
class Library {
public:
    Library() = default;
    // Loads `path`; an empty object when that fails.
    explicit Library(const char* path) {
#ifdef _WIN32
        handle_ = LoadLibraryA(path);
#else
        handle_ = dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    Library& operator=(Library&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    ~Library() {
        reset();
    }

    explicit operator bool() const {
        return handle_ != nullptr;
    }
    void reset() {
#ifdef _WIN32
        if (handle_) FreeLibrary(handle_);
#else
        if (handle_) dlclose(handle_);
#endif
        handle_ = nullptr;
    }

    // The address of the entry or variable `name`, or null.
    template <class T>
    T* symbol(const char* name) const {
#ifdef _WIN32
        // FARPROC is a function type of its own: the address passes through void*.
        return reinterpret_cast<T*>(reinterpret_cast<void*>(GetProcAddress(handle_, name)));
#else
        return reinterpret_cast<T*>(dlsym(handle_, name));
#endif
    }

    // Why the last load failed, as the loader tells it.
    static std::string loadError(const char* path) {
#ifdef _WIN32
        return std::string(path) + ": error " + std::to_string(GetLastError());
#else
        const char* why = dlerror();
        return why ? why : path;
#endif
    }

private:
#ifdef _WIN32
    HMODULE handle_ = nullptr;
#else
    void* handle_ = nullptr;
#endif
};

// Where the library keeps the status of its last call: its status variables when it has them,
// else its per-thread status functions.
struct StatusSource {
    int* ibsta = nullptr;
    int* iberr = nullptr;
    long* ibcntl = nullptr;
    ThreadIntFn* threadIbsta = nullptr;
    ThreadIntFn* threadIberr = nullptr;
    ThreadIntFn* threadIbcnt = nullptr;
    ThreadLongFn* threadIbcntl = nullptr;

    bool hasVariables() const { return ibsta && iberr && ibcntl; }
    bool hasFunctions() const { return threadIbsta && threadIberr && threadIbcnt && threadIbcntl; }
};

struct Entries {
    IbdevFn* ibdev = nullptr;
    IbclrFn* ibclr = nullptr;
    IbonlFn* ibonl = nullptr;
    IbwrtFn* ibwrt = nullptr;
    IbrdFn* ibrd = nullptr;
};

struct Binding {
    Library library;
    StatusSource status;
    Entries entries;
    BusStatus copy;
    std::string error;
};

Binding& binding() {
    static Binding instance;
    return instance;
}

void fail(long code, std::string why) {
    Binding& b = binding();
    b.copy = {kErr, 0, static_cast<int>(code), code};
    b.error = std::move(why);
}

bool load() {
    Binding& b = binding();
    if (b.library) return true;
    const char* configured = std::getenv("LABRIG_GPIB_LIBRARY");
    const char* path = configured && *configured ? configured : kDefaultLibrary;
    Library library(path);
    if (!library) {
        fail(libraryMissing(), Library::loadError(path));
        return false;
    }
    StatusSource status;
    status.ibsta = library.symbol<int>("user_ibsta");
    status.iberr = library.symbol<int>("user_iberr");
    status.ibcntl = library.symbol<long>("user_ibcntl");
    if (!status.hasVariables()) {
        status = {};
        status.threadIbsta = library.symbol<ThreadIntFn>("ThreadIbsta");
        status.threadIberr = library.symbol<ThreadIntFn>("ThreadIberr");
        status.threadIbcnt = library.symbol<ThreadIntFn>("ThreadIbcnt");
        status.threadIbcntl = library.symbol<ThreadLongFn>("ThreadIbcntl");
        if (!status.hasFunctions()) {
            fail(libraryMissing(), std::string(path) + ": no GPIB status variables or functions");
            return false;  // `library` is released here
        }
    }
    b.library = std::move(library);
    b.status = status;
    b.error.clear();
    return true;
}

// The entry `name`, bound on first use and kept; null after recording the failure.
template <class Fn>
Fn* entry(Fn*& cached, const char* name) {
    if (!load()) return nullptr;
    if (!cached) {
        cached = binding().library.symbol<Fn>(name);
        if (!cached) fail(entryMissing(), std::string("GPIB library has no entry ") + name);
    }
    return cached;
}

void copyStatus() {
    Binding& b = binding();
    const StatusSource& s = b.status;
    if (s.hasVariables()) {
        b.copy = {*s.ibsta, *s.iberr, static_cast<int>(*s.ibcntl), *s.ibcntl};
    } else {
        b.copy = {s.threadIbsta(), s.threadIberr(), s.threadIbcnt(), s.threadIbcntl()};
    }
}

// Calls the entry `name`; nothing when it cannot be bound.
template <class Fn, class... Args>
std::optional<int> call(Fn*& cached, const char* name, Args... args) {
    Fn* fn = entry(cached, name);
    if (!fn) return std::nullopt;
    int result = fn(args...);
    copyStatus();
    return result;
}

int failedStatus() {
    return binding().copy.ibsta;
}

}  // namespace

int ibdev(int board, int pad, int sad, int tmo, int eot, int eos) {
    return call(binding().entries.ibdev, "ibdev", board, pad, sad, tmo, eot, eos).value_or(-1);
}
int ibclr(int ud) {
    return call(binding().entries.ibclr, "ibclr", ud).value_or(failedStatus());
}
int ibonl(int ud, int v) {
    return call(binding().entries.ibonl, "ibonl", ud, v).value_or(failedStatus());
}
int ibwrt(int ud, const void* buf, long cnt) {
    return call(binding().entries.ibwrt, "ibwrt", ud, buf, cnt).value_or(failedStatus());
}
int ibrd(int ud, void* buf, long cnt) {
    return call(binding().entries.ibrd, "ibrd", ud, buf, cnt).value_or(failedStatus());
}

BusStatus& busStatus() {
    return binding().copy;
}
const std::string& bindingError() {
    return binding().error;
}

}  // namespace labrig
