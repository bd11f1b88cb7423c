// A scripted GPIB library for the instrument library's tests: it records every bus call and
// answers reads from a queue of replies that the test sets up, byte for byte.
#include <kvexport.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>

// The bus entries have a GPIB library's calling convention; the test controls the C one.
#define FAKE_API extern "C" KV_DLL_EXPORT
#define FAKE_VAR KV_DLL_EXPORT
#define FAKE_CALL KV_STDCALL

namespace {

constexpr int kErr = 0x8000;
constexpr int kTimo = 0x4000;
constexpr int kEnd = 0x2000;
constexpr int kCmpl = 0x0100;
constexpr int kEabo = 6;

struct Read {
    std::string bytes;
    int status;
};

struct Fake {
    std::string calls;
    std::deque<Read> reads;
    int nextDevice = 7;
    int failClear = 0;
};

Fake& fake() {
    static Fake instance;
    return instance;
}

std::string escaped(const void* data, long count) {
    std::string out;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (long i = 0; i < count; ++i) {
        switch (bytes[i]) {
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\0':
                out += "\\0";
                break;
            default:
                out += static_cast<char>(bytes[i]);
        }
    }
    return out;
}

void record(const std::string& line) {
    fake().calls += line + "\n";
}

}  // namespace

extern "C" {
FAKE_VAR int user_ibsta = 0;
FAKE_VAR int user_iberr = 0;
FAKE_VAR long user_ibcntl = 0;
}

namespace {
int finish(int status, int error, long count) {
    user_ibsta = status;
    user_iberr = error;
    user_ibcntl = count;
    return status;
}
}  // namespace

FAKE_API int FAKE_CALL ibdev(int board, int pad, int sad, int tmo, int eot, int eos) {
    record("ibdev " + std::to_string(board) + " " + std::to_string(pad) + " " +
           std::to_string(sad) + " " + std::to_string(tmo) + " " + std::to_string(eot) + " " +
           std::to_string(eos));
    finish(kCmpl, 0, 0);
    return fake().nextDevice;
}

FAKE_API int FAKE_CALL ibclr(int ud) {
    record("ibclr " + std::to_string(ud));
    return fake().failClear ? finish(kErr | kCmpl, 2, 0) : finish(kCmpl, 0, 0);
}

FAKE_API int FAKE_CALL ibonl(int ud, int v) {
    record("ibonl " + std::to_string(ud) + " " + std::to_string(v));
    return finish(kCmpl, 0, 0);
}

FAKE_API int FAKE_CALL ibwrt(int ud, const void* buf, long cnt) {
    record("ibwrt " + std::to_string(ud) + " " + escaped(buf, cnt));
    return finish(kCmpl, 0, cnt);
}

FAKE_API int FAKE_CALL ibrd(int ud, void* buf, long cnt) {
    record("ibrd " + std::to_string(ud) + " " + std::to_string(cnt));
    Fake& f = fake();
    if (f.reads.empty()) return finish(kErr | kTimo | kCmpl, kEabo, 0);
    Read read = f.reads.front();
    f.reads.pop_front();
    long count = std::min<long>(cnt, static_cast<long>(read.bytes.size()));
    std::memcpy(buf, read.bytes.data(), static_cast<size_t>(count));
    return finish(read.status, read.status & kErr ? kEabo : 0, count);
}

// Test controls.
FAKE_API void fakeGpibReset(int nextDevice, int failClear) {
    fake() = Fake{};
    fake().nextDevice = nextDevice;
    fake().failClear = failClear;
}

FAKE_API void fakeGpibQueueRead(const char* bytes, long count, int status) {
    fake().reads.push_back({std::string(bytes, static_cast<size_t>(count)), status});
}

FAKE_API void fakeGpibQueueReply(const char* text) {
    fakeGpibQueueRead(text, static_cast<long>(std::strlen(text)), kEnd | kCmpl);
}

FAKE_API const char* fakeGpibCalls() {
    return fake().calls.c_str();
}
