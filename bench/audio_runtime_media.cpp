// Speech media for the audio runtime benchmarks, made once per run with espeak-ng, sox
// and ffmpeg in a temporary folder.
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

namespace
{
void Run(const std::string &command)
{
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("media tool failed: " + command);
}

const std::string &Folder()
{
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillmere-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary folder");
        return pattern;
    }();
    return folder;
}
} // namespace

// A 10-minute speech recording in the given container ("ogg", "mp3", "wav", "m4a").
std::string BenchSpeechFile(const std::string &extension)
{
    static std::map<std::string, std::string> made;
    if (made.count(extension) != 0)
        return made[extension];
    const std::string wav = Folder() + "/speech.wav";
    if (!std::filesystem::exists(wav)) {
        const std::string voice = Folder() + "/voice.wav";
        Run("espeak-ng -s 150 -w '" + voice +
            "' 'The quick brown fox jumps over the lazy dog. Dictation practice means listening to a sentence, "
            "writing it down, and listening again until every word is right. Slow speech helps at first; later "
            "the learner returns to the natural speed of the speaker.'");
        // Repeat the paragraph to ten minutes at 44.1 kHz mono.
        Run("sox '" + voice + "' -r 44100 '" + Folder() + "/voice44.wav'");
        Run("sox '" + Folder() + "/voice44.wav' '" + wav + "' repeat 60 trim 0 600");
    }
    std::string path = wav;
    if (extension != "wav") {
        path = Folder() + "/speech." + extension;
        Run("ffmpeg -nostdin -loglevel error -y -i '" + wav + "' " +
            (extension == "mp3" ? "-c:a libmp3lame -b:a 64k " : "") + "'" + path + "'");
    }
    made[extension] = path;
    return path;
}

// An hour of the same speech (the 10-minute recording six times), for what opening a
// long file costs: "mp3" (64 kbit/s, no Xing header: its length is only estimated) or
// "webm" (Opus, the most packets to index).
std::string BenchHourFile(const std::string &extension)
{
    static std::map<std::string, std::string> made;
    if (made.count(extension) != 0)
        return made[extension];
    const std::string path = Folder() + "/hour." + extension;
    Run("ffmpeg -nostdin -loglevel error -y -stream_loop 5 -i '" + BenchSpeechFile("wav") + "' " +
        (extension == "mp3" ? "-c:a libmp3lame -b:a 64k -write_xing 0 " : "-c:a libopus -b:a 32k ") + "'" + path + "'");
    made[extension] = path;
    return path;
}
