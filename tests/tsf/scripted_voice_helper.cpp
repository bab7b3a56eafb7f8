// A voice helper that answers "stop" with whatever line the file named by
// its argument holds (read anew for every "stop"), for replies the real
// helper never gives: malformed, oversized, without "text", very long.
//   scripted_voice_helper STOP_REPLY_FILE
#include <windows.h>

#include <string>

#include "open_file.h"
#include "pipe.h"

namespace {

std::string read_line(const char* path)
{
    std::vector<uint8_t> bytes;
    miradot::read_whole_file(path, bytes);
    std::string line(bytes.begin(), bytes.end());
    return line.substr(0, line.find('\n'));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 1;
    const char* stopReply = argv[1];
    bool recording = false;
    return serve_pipe(
        PipeKind::Voice,
        [&](const std::string& request, std::string& reply) {
            reply = "{\"ok\":true}";
            if (request.find("\"ping\"") != std::string::npos)
                reply
                    = std::string("{\"ok\":true,\"recording\":") + (recording ? "true" : "false") + ",\"ready\":true}";
            else if (request.find("\"start\"") != std::string::npos)
                recording = true;
            else if (request.find("\"cancel\"") != std::string::npos)
                recording = false;
            else if (request.find("\"stop\"") != std::string::npos) {
                recording = false;
                reply = read_line(stopReply);
            }
            return request.find("\"quit\"") == std::string::npos;
        },
        [&] { return recording; });
}
