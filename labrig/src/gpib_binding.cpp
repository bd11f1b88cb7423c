#include "gpib_binding.h"

#include <dlfcn.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

namespace labrig {
namespace {

// Prototypes of the library's entries; every pointer fetched is typed with one of these.
using IbdevFn = int(int, int, int, int, int, int);
using IbclrFn = int(int);
using IbonlFn = int(int, int);
using IbwrtFn = int(int, const void*, long);
using IbrdFn = int(int, void*, long);
using ThreadIntFn = int();
using ThreadLongFn = long();

// Error codes stored in the counts when the binding fails, as the system would report them.
constexpr long kLibraryMissing = ELIBACC;
constexpr long kEntryMissing = ENOSYS;

class DlHandle {
public:
    DlHandle() = default;
    explicit DlHandle(void* handle) : handle_(handle) {}
    DlHandle(const DlHandle&) = delete;
    DlHandle& operator=(const DlHandle&) = delete;
    DlHandle& operator=(DlHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    ~DlHandle() { reset(); }

    void* get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset() {
        if (handle_) dlclose(handle_);
        handle_ = nullptr;
    }

private:
    void* handle_ = nullptr;
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
    DlHandle library;
    StatusSource status;
    Entries entries;
    BusStatus copy;
    std::string error;
};

Binding& binding() {
    static Binding instance;
    return instance;
}

template <class T>
T* symbol(void* library, const char* name) {
    return reinterpret_cast<T*>(dlsym(library, name));
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
    const char* path = configured && *configured ? configured : "libgpib.so.0";
    DlHandle library(dlopen(path, RTLD_NOW | RTLD_LOCAL));
    if (!library) {
        const char* why = dlerror();
        fail(kLibraryMissing, why ? why : path);
        return false;
    }
    StatusSource status;
    status.ibsta = symbol<int>(library.get(), "user_ibsta");
    status.iberr = symbol<int>(library.get(), "user_iberr");
    status.ibcntl = symbol<long>(library.get(), "user_ibcntl");
    if (!status.hasVariables()) {
        status = {};
        status.threadIbsta = symbol<ThreadIntFn>(library.get(), "ThreadIbsta");
        status.threadIberr = symbol<ThreadIntFn>(library.get(), "ThreadIberr");
        status.threadIbcnt = symbol<ThreadIntFn>(library.get(), "ThreadIbcnt");
        status.threadIbcntl = symbol<ThreadLongFn>(library.get(), "ThreadIbcntl");
        if (!status.hasFunctions()) {
            fail(kLibraryMissing, std::string(path) + ": no GPIB status variables or functions");
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
        cached = symbol<Fn>(binding().library.get(), name);
        if (!cached) fail(kEntryMissing, std::string("GPIB library has no entry ") + name);
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
