#include "usage.h"

namespace loopkit_cli {
namespace {

constexpr char kName[] =
    "NAME\n"
    "    loopkit - packet tests of one adapter against another, from the shell\n"
    "\n";

constexpr char kSynopsisTx[] =
    "    loopkit tx IFACE [--frames N] [--length L|random] [--pattern CODE] [--text TEXT]\n"
    "               [--fill BYTE] [--to MAC] [--interval MS] [--no-checksum]\n"
    "               [--no-numbering] [--swap] [--timeout S] [--json]\n";
constexpr char kSynopsisRx[] =
    "    loopkit rx IFACE [--frames N] [--from MAC] [--timeout S] [--idle S]\n"
    "               [--report FILE [--condition all|good|bad|lost] [--dump]]\n"
    "               [--no-payload-check] [--no-lost-check] [--accept-all] [--swap]\n"
    "               [--start-pattern TEXT] [--end-pattern TEXT] [--expected-pattern TEXT]\n"
    "               [--json]\n";
constexpr char kSynopsisTwoWay[] =
    "    loopkit 2way IFACE --server|--client [--frames N] [--length L] [--interval MS]\n"
    "               [--timeout S] [--json]\n";
constexpr char kSynopsisHelp[] = "    loopkit [tx|rx|2way] --help\n";

constexpr char kDescription[] =
    "DESCRIPTION\n"
    "    Runs the packet tests of the Loopkit library on one interface: numbered,\n"
    "    self-checking test frames sent by a transmit engine and counted good, bad or lost\n"
    "    by a receive engine, normally on another machine or interface.\n"
    "\n"
    "    IFACE is a network interface (raw frames need root or CAP_NET_RAW) or mem:NAME, an\n"
    "    in-memory medium shared by the handles of one process.\n"
    "\n"
    "    While a test runs, a line of counters and rates on standard error is rewritten\n"
    "    once a second when standard error is a terminal. Standard error also gets one\n"
    "    line when the test begins (\"receiving on IFACE\", \"sending on IFACE\", ...),\n"
    "    which scripts can wait for. At the end one summary line goes to standard output.\n"
    "    SIGINT (Ctrl-C) and SIGTERM stop the test cleanly; the summary still follows.\n"
    "\n";

constexpr char kDescriptionTx[] =
    "    tx sends test frames to the broadcast address (or --to MAC), numbered and with a\n"
    "    checksum, until --frames N have left the interface, --timeout passed, or it is\n"
    "    stopped.\n"
    "\n";
constexpr char kDescriptionRx[] =
    "    rx counts the test frames that reach the interface for it (broadcast or its own\n"
    "    address): good when their checksum and payload pattern hold, bad when not, and\n"
    "    lost from gaps in their sequence numbers. It ends once good + bad + lost reach\n"
    "    --frames N, when nothing new arrived for --idle S, after --timeout S, or when\n"
    "    stopped; the capture is stopped and the report file closed in every case.\n"
    "\n";
constexpr char kDescriptionTwoWay[] =
    "    2way runs the two-way test of the test dialogs, so that it faces a dialog or\n"
    "    another loopkit: the server waits for the client's start frame, then both\n"
    "    stations stream frames to the broadcast address and count what the other sends.\n"
    "    A station whose stream ends (its --frames N sent, --timeout, Ctrl-C) sends a stop\n"
    "    frame, which ends the peer's capture; a station whose capture ends stops its own\n"
    "    stream and answers with its stop frame. So either station ends both, and each\n"
    "    ends once its capture ended and its stop frame left. A station whose stream\n"
    "    ended waits 3 s at most for the peer's stop frame, and a station stops when the\n"
    "    peer's frames stop coming for 3 s (a stop frame can be dropped like any frame).\n"
    "    A station that stops itself (--timeout, Ctrl-C) stops counting at once, so the\n"
    "    peer's last frames are not counted there. The server streams from the first\n"
    "    client frame after the start frame: for a count both ways, give the server\n"
    "    --frames N and the client --frames 0.\n"
    "\n";

constexpr char kOptionsCommon[] =
    "OPTIONS\n"
    "    --timeout S     stop after S seconds (fractions allowed, at most 2000000);\n"
    "                    default: none\n"
    "    --json          the summary as one JSON object\n"
    "    -h, --help      this text\n"
    "    Options take their value as the next argument or after '=' (--frames=10).\n"
    "\n";
constexpr char kOptionsTx[] =
    "  tx\n"
    "    --frames N      frames to send; 0 sends until stopped (default 1000)\n"
    "    --length L      frame length on the wire, 60 to 1514 bytes, the 24-byte test\n"
    "                    header included; 'random': a new length for every frame\n"
    "                    (default 1514)\n"
    "    --pattern CODE  payload: 0 zeros, 1 FF bytes, 2 incrementing (default), 3 one\n"
    "                    fill byte going up by one per frame, 4 one of 0-3 at random per\n"
    "                    frame, 5 custom (--text)\n"
    "    --text TEXT     pattern 5: the payload starts with TEXT, zeros follow (implies\n"
    "                    --pattern 5)\n"
    "    --fill BYTE     pattern 3: the first fill byte, 0 to 255 (default 0)\n"
    "    --to MAC        destination, e.g. 02:00:00:00:00:07 (default broadcast)\n"
    "    --interval MS   pause before each frame (default 0)\n"
    "    --no-checksum   frames without a checksum\n"
    "    --no-numbering  frames without sequence numbers (the receiver needs\n"
    "                    --no-lost-check, or counts every repeated number as a gap)\n"
    "    --swap          swap the header with the start of the payload (the receiver needs\n"
    "                    --swap too)\n"
    "\n";
constexpr char kOptionsRx[] =
    "  rx\n"
    "    --frames N      stop once good + bad + lost reach N; 0 never (default)\n"
    "    --from MAC      count frames from this source only (default any)\n"
    "    --idle S        stop when nothing new was counted for S seconds after a first\n"
    "                    frame\n"
    "    --report FILE   write the frame records to FILE (created or emptied): a header,\n"
    "                    then per frame its number, whether it was good, its size and the\n"
    "                    frames lost so far\n"
    "    --condition C   which frames FILE records: all (default), bad (bad ones only),\n"
    "                    lost (every frame from the first gap in the numbers on); good\n"
    "                    records like all, as the engine records good frames only along\n"
    "                    with bad ones (each record says IsGood 1 or 0)\n"
    "    --dump          records with the frame's bytes in hexadecimal\n"
    "    --no-payload-check  count every frame good (no checksum or pattern check)\n"
    "    --no-lost-check     count no lost frames (no sequence check)\n"
    "    --accept-all    count every frame from the source, test frame or not, for a\n"
    "                    signal generator (no payload or lost check)\n"
    "    --swap          the sender swaps headers (tx --swap)\n"
    "    --start-pattern TEXT     count only after a frame whose payload starts with TEXT\n"
    "    --end-pattern TEXT       stop at a frame whose payload starts with TEXT\n"
    "    --expected-pattern TEXT  count only frames whose payload starts with TEXT\n"
    "\n";
constexpr char kOptionsTwoWay[] =
    "  2way\n"
    "    --server        wait for the client's start frame\n"
    "    --client        start the test\n"
    "    --frames N      frames of this station's stream; 0 until stopped (default 1000\n"
    "                    for the client, 0 for the server, which follows the client)\n"
    "    --length L      frame length on the wire, 60 to 1514 (default 1048: the dialog's\n"
    "                    1024-byte payload)\n"
    "    --interval MS   pause before each frame of the stream (default 0: as fast as\n"
    "                    the link takes them, like the dialog)\n"
    "\n";

constexpr char kOutput[] =
    "OUTPUT\n"
    "    The summary gives the counters, the duration and the rates. With --json it is one\n"
    "    object: mode, interface, then for tx sent, bytes, duration_ms, rate_fps; for rx\n"
    "    good, bad, lost, bytes (of the good frames), duration_ms, rate_fps (good + bad per\n"
    "    second); for 2way all of these (bytes, duration_ms and rate_fps of the receive\n"
    "    side) and sent_bytes, sent_duration_ms, sent_fps; then ended (done, peer, idle,\n"
    "    timeout, interrupted, link-failed) and exit (the exit status). Rates are 0 when no\n"
    "    time passed.\n"
    "\n";

constexpr char kExitStatus[] =
    "EXIT STATUS\n"
    "    0   the test ran and passed: tx sent every frame asked for (any number for\n"
    "        --frames 0); rx counted frames, none bad or lost, and at least --frames N;\n"
    "        2way sent and received frames, none bad or lost\n"
    "    1   the test ran and failed: frames bad or lost, fewer counted or sent than asked\n"
    "        (stopped early, or the link refused frames), or nothing at all\n"
    "    2   usage error, or a report file that cannot be written\n"
    "    3   the interface cannot be opened or used (the reason follows on standard error)\n"
    "\n";

constexpr char kExamplesTx[] =
    "    loopkit tx eth1 --frames 2000 --length 1514 --json\n"
    "    loopkit tx eth1 --frames 0 --pattern 5 --text 'lab run 7' --interval 10\n";
constexpr char kExamplesRx[] =
    "    loopkit rx eth2 --frames 2000 --timeout 30 --json\n"
    "    loopkit rx eth2 --idle 2 --report capture.txt --condition bad --dump\n";
constexpr char kExamplesTwoWay[] =
    "    loopkit 2way eth2 --server --timeout 60      (on one station, first)\n"
    "    loopkit 2way eth1 --client --frames 5000     (on the other)\n";

}  // namespace

std::string manual(std::optional<Mode> mode) {
    const bool all = !mode;
    auto wants = [&](Mode m) { return all || *mode == m; };
    std::string text = kName;
    text += "SYNOPSIS\n";
    if (wants(Mode::kTx)) text += kSynopsisTx;
    if (wants(Mode::kRx)) text += kSynopsisRx;
    if (wants(Mode::kTwoWay)) text += kSynopsisTwoWay;
    text += kSynopsisHelp;
    text += "\n";
    text += kDescription;
    if (wants(Mode::kTx)) text += kDescriptionTx;
    if (wants(Mode::kRx)) text += kDescriptionRx;
    if (wants(Mode::kTwoWay)) text += kDescriptionTwoWay;
    text += kOptionsCommon;
    if (wants(Mode::kTx)) text += kOptionsTx;
    if (wants(Mode::kRx)) text += kOptionsRx;
    if (wants(Mode::kTwoWay)) text += kOptionsTwoWay;
    text += kOutput;
    text += kExitStatus;
    text += "EXAMPLES\n";
    if (wants(Mode::kTx)) text += kExamplesTx;
    if (wants(Mode::kRx)) text += kExamplesRx;
    if (wants(Mode::kTwoWay)) text += kExamplesTwoWay;
    return text;
}

std::string helpHint(std::optional<Mode> mode) {
    return std::string("Try 'loopkit ") + (mode ? std::string(modeName(*mode)) + " " : "") +
           "--help'.";
}

}  // namespace loopkit_cli
