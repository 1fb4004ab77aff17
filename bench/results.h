#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

// Seconds per iteration of each benchmark run, by name ("getnext/10").
using Results = std::map<std::string, double>;

// The chat-text paths, the sort and the log write, each beside a plain line
// split of the same bytes.
void registerTextBenchmarks();
// One macro line of the longest accepted length in the shapes that expand
// slowest ("macroline/percents", ...), beside a plain copy of such a line
// ("macroline/copy").
void registerMacroLineBenchmarks();
std::vector<std::string> macroLineShapes();
// The store of results ("scores/..."), and their budgets.
void registerScoresBenchmarks();
void scoresBudgets(const Results &r,
                   const std::function<void(bool, const char *, const char *)> &budget);
// A line to the stand-in chat client and its status back, beside a minimal
// Qt peer (this executable run with --qt-peer=PATH: a QLocalServer in an
// event loop answering each request frame with a status frame) and, as the
// floor, a raw Unix-socket ping-pong with a peer process of the same shape
// (run with --pingpong-peer=PATH); seconds a round, -1 when a side failed;
// once with the far sides on another processor, once on this one.
struct RoundTrips
{
    std::string placement;
    std::string unmeasured; // why, where the pair could not be placed
    double roundTrip = -1;
    double qtPeer = -1;
    double pingPong = -1;
};
std::vector<RoundTrips> measureRoundTrips(const std::string &roomExe, const std::string &selfExe);
int runPingPongPeer(const char *path);
int runQtPeer(int argc, char **argv, const char *path);

// A client answering 6 or 10 for ever: requests sent in the answer limit,
// repaints meanwhile, and how long a close takes to end the request.
struct EndlessAnswer
{
    std::string status;
    int requests = 0;
    int repaints = 0;
    double seconds = 0;
    double closeSeconds = 0; // from the close to the request's end
};
EndlessAnswer measureEndlessAnswer(const std::string &roomExe, const std::string &status);

// 100,000 room lines in the Room window, a piece a turn as the live copy
// brings them ("roomflood/window", with the memory in use once the window is
// full and after the flood as ":fullkb" and ":endkb"), beside the baseline's
// line split of the same bytes ("roomflood/split"), and their budgets.
void registerRoomFloodBenchmarks();
void roomFloodBudgets(const Results &r,
                      const std::function<void(bool, const char *, const char *)> &budget);
