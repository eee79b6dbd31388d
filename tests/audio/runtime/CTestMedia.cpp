#include "CTestMedia.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>
#include <unistd.h>

namespace
{
std::mutex g_mutex;

void Run(const std::string &command)
{
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("media tool failed: " + command);
}

// Encoder options by extension for files derived from a WAV of the same base name, and
// by "-codec" for another codec in the same container ("speech-vorbis.webm").
const std::map<std::string, std::string> &Encoders()
{
    static const std::map<std::string, std::string> encoders = {{"mp3", "-c:a libmp3lame -b:a 128k"},
                                                                {"ogg", "-c:a libvorbis"},
                                                                {"opus", "-c:a libopus"},
                                                                {"flac", "-c:a flac"},
                                                                {"m4a", "-c:a aac"},
                                                                {"aiff", ""},
                                                                {"wma", "-c:a wmav2"},
                                                                {"mp2", "-c:a mp2"},
                                                                {"mp4", "-c:a aac"},
                                                                {"webm", "-c:a libopus"},
                                                                {"mka", "-c:a libvorbis"},
                                                                {"ts", "-c:a aac"},
                                                                {"caf", "-c:a alac"},
                                                                {"-vorbis", "-c:a libvorbis"},
                                                                {"-mp2", "-c:a mp2"}};
    return encoders;
}

// Each format's own reference encoder, for "<base>-ref.<extension>" (input, then output).
std::string ReferenceEncoding(const std::string &extension, const std::string &in, const std::string &out)
{
    if (extension == "ogg")
        return "oggenc -Q -o '" + out + "' '" + in + "'";
    if (extension == "opus")
        return "opusenc --quiet '" + in + "' '" + out + "'";
    if (extension == "flac")
        return "flac -s -f -o '" + out + "' '" + in + "'";
    if (extension == "mp3")
        return "lame --quiet '" + in + "' '" + out + "'";
    throw std::runtime_error("no reference encoder for " + extension);
}

// An MPEG-TS recording whose first PES headers carry no timestamp, as when a broadcast
// is cut where the encoder left them out: their PTS flags are cleared and the PTS bytes
// turned into stuffing (0xFF), which keeps every header's length.
void DropFirstTimestamps(const std::string &in, const std::string &out, int count)
{
    std::ifstream file(in, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    constexpr size_t kPacket = 188;
    for (size_t at = 0; at + kPacket <= bytes.size() && count > 0; at += kPacket) {
        auto *packet = reinterpret_cast<unsigned char *>(bytes.data() + at);
        if (packet[0] != 0x47 || (packet[1] & 0x40) == 0) // sync byte, payload unit start
            continue;
        size_t pes = 4;
        if ((packet[3] & 0x20) != 0) // adaptation field
            pes += 1 + packet[4];
        const bool audioPes = pes + 14 <= kPacket && packet[pes] == 0 && packet[pes + 1] == 0 && packet[pes + 2] == 1 &&
                              (packet[pes + 3] & 0xE0) == 0xC0;
        if (!audioPes || (packet[pes + 7] & 0x80) == 0)
            continue;
        packet[pes + 7] &= 0x3F;
        for (size_t i = 0; i < packet[pes + 8] && pes + 9 + i < kPacket; ++i)
            packet[pes + 9 + i] = 0xFF;
        --count;
    }
    std::ofstream(out, std::ios::binary) << bytes;
}

// Files made by one command, "%o" standing for the file made. sox runs without dither
// (-D): every run makes the same samples, so a lossy encoding that trips a test once
// trips it every time.
const std::map<std::string, std::string> &OneCommandMedia()
{
    static const std::string sox = "sox -D -n -b 16 -r ",
                             sine = "ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=frequency=440:duration=";
    static const std::map<std::string, std::string> commands = {
        {"tone.wav", sox + "44100 -c 1 %o synth 3 sine 440 vol 0.5"},
        {"tone22k.wav", sox + "22050 -c 1 %o synth 3 sine 440 vol 0.5"},
        {"sweep.wav", sox + "44100 -c 1 %o synth 3 sine 100-4000 vol 0.5"},
        {"sweep22k.wav", sox + "22050 -c 1 %o synth 3 sine 100-4000 vol 0.5"},
        {"halftone.wav", sox + "44100 -c 1 %o synth 5 sine 440.5 vol 0.5"}, // half a cycle off every second
        {"long.wav", sox + "44100 -c 1 %o synth 10 sine 440 vol 0.5"},
        {"short.wav", sox + "44100 -c 1 %o synth 0.3 sine 440 vol 0.5"},
        {"stereo.wav", sox + "44100 -c 2 %o synth 2 sine 440 sine 660 vol 0.5"},
        // Tags for the media library.
        {"tagged.mp3", sine + "5 -metadata 'title=Lesson 1' -metadata artist=Speaker -b:a 64k %o"},
        {"spaced.mp3", sine + "5 -metadata 'title=Lesson  2' -metadata artist=Reader -b:a 64k %o"},
    };
    return commands;
}

void Generate(const std::string &name, const std::string &path)
{
    const std::string ffmpeg = "ffmpeg -nostdin -loglevel error -y -i ";
    const size_t dot = name.rfind('.');
    const std::string base = name.substr(0, dot);
    const std::string extension = name.substr(dot + 1);
    const bool derived = (base == "tone" || base == "sweep" || base == "sweep22k" || base == "speech") &&
                         Encoders().count(extension) != 0;
    const bool reference = base.size() > 4 && base.ends_with("-ref");
    const size_t dash = base.rfind('-');
    const bool otherCodec = dash != std::string::npos && Encoders().count(base.substr(dash)) != 0;
    if (const auto made = OneCommandMedia().find(name); made != OneCommandMedia().end()) {
        std::string command = made->second;
        Run(command.replace(command.find("%o"), 2, "'" + path + "'"));
    } else if (derived)
        Run(ffmpeg + CTestMedia::Path(base + ".wav") + " " + Encoders().at(extension) + " '" + path + "'");
    else if (reference)
        Run(ReferenceEncoding(extension, CTestMedia::Path(base.substr(0, base.size() - 4) + ".wav"), path));
    else if (otherCodec)
        Run(ffmpeg + CTestMedia::Path(base.substr(0, dash) + ".wav") + " " + Encoders().at(base.substr(dash)) + " '" +
            path + "'");
    else if (name == "chained.ogg") {
        // Two Ogg Vorbis streams one after the other, each with its own headers.
        std::ofstream out(path, std::ios::binary);
        for (const char *part : {"sweep-ref.ogg", "speech-ref.ogg"})
            out << std::ifstream(CTestMedia::Path(part), std::ios::binary).rdbuf();
    } else if (name == "late.ts")
        DropFirstTimestamps(CTestMedia::Path("speech.ts"), path, 3);
    else if (name == "speech.wav") {
        // A spoken sentence (its blocks switch between long and short, which steady sound
        // never does), stereo at 44.1 kHz, ending on a beep so that its last frames are loud.
        Run("espeak-ng -w '" + path + ".voice.wav' 'Listen carefully, and write down every word you hear.'");
        Run("sox -D -n -r 44100 -c 2 -b 16 '" + path + ".beep.wav' synth 0.2 sine 880 vol 0.5");
        Run("sox -D '" + path + ".voice.wav' -r 44100 -c 2 -b 16 '" + path + ".voice44.wav'");
        Run("sox -D '" + path + ".voice44.wav' '" + path + ".beep.wav' '" + path + "'");
    } else if (name == "noise.wav") {
        // Outside 2.000-3.000 s the noise is 2.2 times as loud: sound from there shows even
        // faded into other sound. Inside it stays below 0.4.
        const std::string quiet = path + ".quiet.wav", loud = path + ".loud.wav";
        Run("sox -D -R -n -r 44100 -c 1 -b 16 '" + quiet + "' synth 5 whitenoise vol 0.25");
        Run("sox -D '" + quiet + "' '" + loud + "' vol 2.2");
        Run("sox -D '" + loud + "' '" + path + ".1.wav' trim 0 2");
        Run("sox -D '" + quiet + "' '" + path + ".2.wav' trim 2 1");
        Run("sox -D '" + loud + "' '" + path + ".3.wav' trim 3 2");
        Run("sox -D '" + path + ".1.wav' '" + path + ".2.wav' '" + path + ".3.wav' '" + path + "'");
    } else if (name == "vbr.mp3")
        Run(ffmpeg + CTestMedia::Path("sweep.wav") + " -c:a libmp3lame -q:a 5 -write_xing 0 '" + path + "'");
    else if (name == "changing.mp3") {
        // Stereo frames, then mono frames, in one stream without a header frame.
        std::ofstream out(path, std::ios::binary);
        for (const char *part : {"stereo", "tone"}) {
            const std::string piece = path + "." + part + ".mp3";
            Run(ffmpeg + CTestMedia::Path(std::string(part) + ".wav") + " -write_xing 0 -id3v2_version 0 '" + piece +
                "'");
            out << std::ifstream(piece, std::ios::binary).rdbuf();
        }
    } else if (name == "song.mod")
        std::filesystem::copy_file(QUILLMERE_TEST_DATA "/audio/song.mod", path);
    else if (name == "damaged.mp3") {
        // The first kilobyte of an MP3 and then noise: opens, decodes a little, ends.
        std::ifstream in(CTestMedia::Path("tone.mp3"), std::ios::binary);
        std::string bytes(1024, '\0');
        in.read(bytes.data(), 1024);
        for (int i = 0; i < 4096; ++i)
            bytes += static_cast<char>((i * 7919) & 0xFF);
        std::ofstream(path, std::ios::binary) << bytes;
    } else if (name == "text.mp3")
        std::ofstream(path) << "This is a shopping list, not a recording.\n";
    else
        throw std::runtime_error("unknown test media " + name);
}
} // namespace

const std::string &CTestMedia::Folder()
{
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillmere-audio-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a temporary folder");
        return pattern;
    }();
    // Removed when the test program ends.
    static struct SCleanup {
        ~SCleanup()
        {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    } cleanup;
    return folder;
}

std::string CTestMedia::Path(const std::string &name)
{
    const std::string path = Folder() + "/" + name;
    static std::map<std::string, bool> made;
    {
        std::lock_guard guard(g_mutex);
        if (made[name])
            return path;
    }
    Generate(name, path);
    std::lock_guard guard(g_mutex);
    made[name] = true;
    return path;
}
