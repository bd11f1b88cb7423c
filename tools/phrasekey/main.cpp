// phrasekey: prints the WEP keys made from a pass phrase.
//
//   phrasekey [--64 | --128] [--] PHRASE
//   phrasekey [--64 | --128] [--] -        (the phrase comes from standard input)

#include <phrasekey/phrasekey.h>
#include <signal.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr std::size_t kKey64Digits = 10;
constexpr std::size_t kKeyCount = 4;

constexpr char kUsage[] =
    "Usage: phrasekey [--64 | --128] [--] PHRASE\n"
    "       phrasekey [--64 | --128] [--] -\n"
    "Prints the WEP keys made from a pass phrase: four 64-bit keys and one 128-bit key.\n"
    "\n"
    "  --64        print only the four 64-bit keys\n"
    "  --128       print only the 128-bit key\n"
    "  -h, --help  print this help and exit\n"
    "  --          end of the options, for a PHRASE that starts with '-'\n"
    "  -           read the pass phrase from standard input (one line), which keeps it out\n"
    "              of the process list and the shell history\n";

// Zeroes memory in a way the optimiser keeps even when the memory is never read again.
void secureWipe(void* data, std::size_t size) noexcept {
    if (size != 0) ::explicit_bzero(data, size);
}

enum class KeyKinds { kBoth, k64, k128 };

struct Arguments {
    KeyKinds kinds = KeyKinds::kBoth;
    char* phrase = nullptr;  // the PHRASE argument, "-" for standard input
    bool help = false;
    std::string error;  // set when the command line is wrong
};

// Bytes of the pass phrase. Every buffer that held them is wiped before it is given back.
class SecretBuffer {
public:
    SecretBuffer() = default;
    ~SecretBuffer() { secureWipe(bytes_.data(), bytes_.size()); }
    SecretBuffer(const SecretBuffer&) = delete;
    SecretBuffer& operator=(const SecretBuffer&) = delete;

    void push(char c) {
        if (bytes_.size() == bytes_.capacity()) grow();
        bytes_.push_back(c);
    }
    void pop() {
        bytes_.back() = '\0';
        bytes_.pop_back();
    }
    bool endsWith(char c) const { return !bytes_.empty() && bytes_.back() == c; }
    bool containsNul() const {
        return std::find(bytes_.begin(), bytes_.end(), '\0') != bytes_.end();
    }

    // The phrase as a C string; nothing may be pushed afterwards.
    const char* terminate() {
        push('\0');
        return bytes_.data();
    }

private:
    void grow() {
        std::vector<char> larger;
        larger.reserve(std::max<std::size_t>(64, 2 * bytes_.capacity()));
        larger.assign(bytes_.begin(), bytes_.end());
        secureWipe(bytes_.data(), bytes_.size());
        bytes_.swap(larger);
    }

    std::vector<char> bytes_;
};

Arguments parseArguments(int argc, char** argv) {
    Arguments args;
    bool optionsEnded = false;
    bool saw64 = false;
    bool saw128 = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "-h" || arg == "--help") {
                args.help = true;
                return args;
            } else if (arg == "--64" || arg == "--128") {
                (arg == "--64" ? saw64 : saw128) = true;
            } else {
                args.error = "unknown option '" + std::string(arg) + "'";
                return args;
            }
        } else if (args.phrase == nullptr) {
            args.phrase = argv[i];
        } else {
            args.error = "too many arguments";
            return args;
        }
    }
    if (saw64 && saw128) {
        args.error = "--64 and --128 exclude each other; give neither for both kinds of key";
    } else if (args.phrase == nullptr) {
        args.error = "no pass phrase given";
    }
    args.kinds = saw64 ? KeyKinds::k64 : saw128 ? KeyKinds::k128 : KeyKinds::kBoth;
    return args;
}

// The terminal state to put back if a signal ends the program while echo is off.
termios savedTerminal;
volatile sig_atomic_t terminalSaved = 0;

void restoreTerminalAndDie(int signal) {
    if (terminalSaved) ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Turns off echo on the terminal at standard input for its lifetime.
class EchoOff {
public:
    EchoOff() {
        if (::tcgetattr(STDIN_FILENO, &savedTerminal) != 0) return;
        struct sigaction action {};
        action.sa_handler = restoreTerminalAndDie;
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            ::sigaction(kSignals[i], &action, &previous_[i]);
        }
        terminalSaved = 1;
        termios quiet = savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    ~EchoOff() {
        if (!terminalSaved) return;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
        terminalSaved = 0;
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            ::sigaction(kSignals[i], &previous_[i], nullptr);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    static constexpr std::array<int, 4> kSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    std::array<struct sigaction, kSignals.size()> previous_{};
};

// Reads one line from standard input, without its "\n" or "\r\n". False on a read error.
bool readLine(SecretBuffer& line) {
    char c = '\0';
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0 || c == '\n') break;
        line.push(c);
    }
    secureWipe(&c, sizeof(c));
    if (line.endsWith('\r')) line.pop();
    return true;
}

// Reads the phrase from standard input, prompting with echo off when that is a terminal.
bool readPhrase(SecretBuffer& phrase) {
    if (!::isatty(STDIN_FILENO)) return readLine(phrase);
    const EchoOff echoOff;
    std::fputs("Pass phrase: ", stderr);
    const bool read = readLine(phrase);
    std::fputs("\n", stderr);
    return read;
}

// Fills `phrase` from the PHRASE argument, which is wiped, or from standard input.
bool loadPhrase(char* argument, SecretBuffer& phrase) {
    if (std::string_view(argument) != "-") {
        for (const char* c = argument; *c != '\0'; ++c)
            phrase.push(*c);
        secureWipe(argument, std::strlen(argument));
        return true;
    }
    if (!readPhrase(phrase)) {
        std::fprintf(stderr, "phrasekey: cannot read the pass phrase: %s\n", std::strerror(errno));
        return false;
    }
    if (phrase.containsNul()) {
        std::fputs("phrasekey: the pass phrase contains a NUL byte\n", stderr);
        return false;
    }
    return true;
}

void print64BitKeys(const char* phrase) {
    char text[PHRASEKEY_KEY64_TEXT_SIZE];
    Passphrase64(phrase, text);
    std::puts("64-bit keys:");
    for (std::size_t key = 0; key < kKeyCount; ++key) {
        std::printf("  Key %zu: %.*s\n", key + 1, static_cast<int>(kKey64Digits),
                    text + key * kKey64Digits);
    }
    secureWipe(text, sizeof(text));
}

bool print128BitKey(const char* phrase) {
    char text[PHRASEKEY_KEY128_TEXT_SIZE];
    if (Passphrase128(phrase, text) == 0) {
        std::fputs("phrasekey: an empty pass phrase gives no 128-bit key\n", stderr);
        return false;
    }
    std::printf("128-bit key:\n  Key:   %s\n", text);
    secureWipe(text, sizeof(text));
    return true;
}

int printKeys(KeyKinds kinds, const char* phrase) {
    if (kinds != KeyKinds::k128) print64BitKeys(phrase);
    const bool made = kinds == KeyKinds::k64 || print128BitKey(phrase);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "phrasekey: cannot write the keys: %s\n", std::strerror(errno));
        return kExitFailure;
    }
    return made ? kExitOk : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    const Arguments args = parseArguments(argc, argv);
    if (args.help) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (!args.error.empty()) {
        std::fprintf(stderr, "phrasekey: %s\n%s", args.error.c_str(), kUsage);
        return kExitUsage;
    }
    SecretBuffer phrase;
    if (!loadPhrase(args.phrase, phrase)) return kExitFailure;
    return printKeys(args.kinds, phrase.terminate());
}
