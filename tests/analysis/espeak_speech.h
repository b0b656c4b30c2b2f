#pragma once
// Real speech and room noise for the analysis tests: words spoken by
// espeak-ng and pink noise from sox, as 22050 Hz mono 16-bit samples. Each
// helper returns nothing when the tools are missing.

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// Runs a shell pipeline that writes raw 16-bit samples to the file named by
// "$OUT" and reads them back; empty when the pipeline fails.
inline std::vector<int16_t> RawFromShell(const std::string& pipeline) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("lorvano_speech_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string out = (dir / "out.raw").string();
    const std::string cmd = "cd '" + dir.string() + "' && OUT='" + out + "' && (" + pipeline +
                            ") >/dev/null 2>&1";
    std::vector<int16_t> s;
    if (std::system(cmd.c_str()) == 0) {
        std::ifstream in(out, std::ios::binary);
        int16_t v;
        while (in.read(reinterpret_cast<char*>(&v), sizeof v)) s.push_back(v);
    }
    std::filesystem::remove_all(dir);
    return s;
}

inline const char* kToRaw = " -r 22050 -c 1 -b 16 -e signed-integer -t raw \"$OUT\" ";

// text spoken by espeak-ng with its peak at peakDb dBFS. trimmed: without the
// quiet before and after the speech (below -45 dB of its peak), so that the
// word's edges are the first and last sample.
inline std::vector<int16_t> Speech(const std::string& text, double peakDb, bool trimmed = false) {
    const std::string trim = trimmed ? " gain -n silence 1 0.002 -45d reverse silence 1 0.002 -45d reverse" : "";
    // -R: sox's dither the same on every run, so that a test hears the same samples.
    return RawFromShell("espeak-ng -w speech.wav '" + text + "' && sox -R speech.wav" + kToRaw + trim +
                        " gain -n " + std::to_string(peakDb));
}

// Pink noise (the same on every run) at an RMS level of rmsDb dBFS.
inline std::vector<int16_t> PinkNoise(size_t samples, double rmsDb) {
    std::vector<int16_t> s = RawFromShell("sox -R -n" + std::string(kToRaw) + "synth " +
                                          std::to_string(samples / 22050.0 + 0.1) + " pinknoise");
    if (s.size() < samples) return {};
    s.resize(samples);
    double power = 0;
    for (int16_t v : s) power += static_cast<double>(v) * v;
    const double g = 32767 * std::pow(10, rmsDb / 20) / std::sqrt(power / samples);
    for (int16_t& v : s) v = static_cast<int16_t>(std::lround(v * g));
    return s;
}
