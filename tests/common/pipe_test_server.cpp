// A pipe server for the channel's tests: answers every line with its length
// and an echo, "sleep" after half a second, "hang" after five seconds, and
// "quit" by ending.
//   pipe_test_server [voice|mt] [idle-limit-ms connect-slice-ms line-deadline-ms]
#include <windows.h>

#include <cstdlib>
#include <string>

#include "json.h"
#include "pipe.h"

int main(int argc, char** argv)
{
    PipeKind kind = argc > 1 && std::string(argv[1]) == "mt" ? PipeKind::Translation : PipeKind::Voice;
    PipeServerLimits limits;
    if (argc > 4) {
        limits.idleLimitMs = std::atoi(argv[2]);
        limits.connectSliceMs = std::atoi(argv[3]);
        limits.lineDeadlineMs = std::atoi(argv[4]);
    }
    return serve_pipe(
        kind,
        [](const std::string& request, std::string& reply) {
            if (request == "sleep")
                Sleep(500);
            if (request == "hang")
                Sleep(5000);
            std::string echo = request.substr(0, 64);
            reply
                = "{\"ok\":true,\"len\":" + std::to_string(request.size()) + ",\"echo\":\"" + json_escape(echo) + "\"}";
            return request != "quit";
        },
        [] { return false; }, limits);
}
