#include "sounds.h"

#include "wave_file.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace make_assets {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double Seconds(std::size_t index) {
    return static_cast<double>(index) / kSampleRate;
}

// A struck bell by two-operator FM: the modulation fades faster than the tone, so the attack is bright and
// the tail mellow.
void AddBell(std::vector<double>& out, double start_s, double frequency, double amplitude, double decay_s) {
    const auto first = static_cast<std::size_t>(start_s * kSampleRate);
    for (std::size_t i = first; i < out.size(); ++i) {
        const double t = Seconds(i - first);
        const double attack = std::min(1.0, t / 0.004);
        const double envelope = attack * std::exp(-t / decay_s);
        const double index = 2.2 * std::exp(-t / (decay_s * 0.35));
        const double modulator = std::sin(kTwoPi * frequency * 3.5 * t);
        const double tone = std::sin(kTwoPi * frequency * t + index * modulator) +
                            0.25 * std::sin(kTwoPi * frequency * 2.0 * t) * std::exp(-t / (decay_s * 0.5));
        out[i] += amplitude * envelope * tone;
    }
}

// A soft buzz: a few odd and even harmonics with falling weights, so it hums instead of rasping.
void AddBuzz(std::vector<double>& out, double start_s, double length_s, double frequency, double amplitude) {
    const auto first = static_cast<std::size_t>(start_s * kSampleRate);
    const auto last = std::min(out.size(), static_cast<std::size_t>((start_s + length_s) * kSampleRate));
    double phase = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        const double t = Seconds(i - first);
        const double remaining = length_s - t;
        const double envelope = std::min({1.0, t / 0.008, remaining / 0.02});
        // A slight downward bend makes it sound like a spoken "uh-uh".
        const double bent = frequency * (1.0 - 0.06 * t / length_s);
        phase += kTwoPi * bent / kSampleRate;
        double tone = 0.0;
        for (int harmonic = 1; harmonic <= 7; ++harmonic) {
            tone += std::sin(phase * harmonic) / (harmonic * std::sqrt(static_cast<double>(harmonic)));
        }
        out[i] += amplitude * envelope * tone;
    }
}

// Scales to `peak` (well below full scale, so that no player's resampling clips) and shapes the ends so that
// playback neither starts nor stops with a click.
void Finish(std::vector<double>& out, double peak_level, double fade_in_s, double fade_out_s) {
    double peak = 0.0;
    for (const double sample : out) {
        peak = std::max(peak, std::abs(sample));
    }
    if (peak <= 0.0) {
        return;
    }
    const auto fade_in = static_cast<std::size_t>(fade_in_s * kSampleRate);
    const auto fade_out = static_cast<std::size_t>(fade_out_s * kSampleRate);
    for (std::size_t i = 0; i < out.size(); ++i) {
        double gain = peak_level / peak;
        if (i < fade_in) {
            gain *= 0.5 -
                    0.5 * std::cos(std::numbers::pi * static_cast<double>(i) / static_cast<double>(fade_in));
        }
        const std::size_t from_end = out.size() - 1 - i;
        if (from_end < fade_out) {
            gain *= 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(from_end) /
                                         static_cast<double>(fade_out));
        }
        out[i] *= gain;
    }
}

} // namespace

std::vector<double> FarewellChime(std::size_t sample_count) {
    std::vector<double> out(sample_count, 0.0);
    // G5, E5, C5 falling, the last one held over a soft octave below: a goodbye that comes to rest.
    AddBell(out, 0.00, 783.99, 0.55, 0.30);
    AddBell(out, 0.14, 659.26, 0.55, 0.30);
    AddBell(out, 0.28, 523.25, 0.65, 0.26);
    AddBell(out, 0.28, 261.63, 0.30, 0.24);
    AddBell(out, 0.28, 1046.50, 0.12, 0.15);
    Finish(out, 0.78, 0.003, 0.08);
    return out;
}

std::vector<double> RefusalBuzz(std::size_t sample_count) {
    std::vector<double> out(sample_count, 0.0);
    const double length_s = static_cast<double>(sample_count) / kSampleRate;
    // Two short notes, the second lower: the "uh-uh" of a refusal.
    AddBuzz(out, 0.0, length_s * 0.44, 196.0, 0.5);
    AddBuzz(out, length_s * 0.52, length_s * 0.46, 155.56, 0.5);
    // Rich in harmonics, so it sounds louder than the chime at the same peak.
    Finish(out, 0.5, 0.002, 0.012);
    return out;
}

std::vector<double> ComicWarble(std::size_t sample_count) {
    std::vector<double> out(sample_count, 0.0);
    const double length_s = static_cast<double>(sample_count) / kSampleRate;
    double phase = 0.0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = Seconds(i);
        const double x = t / length_s;
        // A slide whistle: up quickly, then a long wobbling fall, with the vibrato widening as it sinks.
        const double glide = x < 0.18 ? 420.0 + (980.0 - 420.0) * std::sin(x / 0.18 * std::numbers::pi / 2.0)
                                      : 980.0 * std::pow(330.0 / 980.0, (x - 0.18) / 0.82);
        const double vibrato = 1.0 + (0.02 + 0.07 * x) * std::sin(kTwoPi * 9.0 * t);
        phase += kTwoPi * glide * vibrato / kSampleRate;
        const double tone = std::sin(phase) + 0.3 * std::sin(2.0 * phase) + 0.1 * std::sin(3.0 * phase);
        // "Wah": the loudness follows the vibrato a little, which the ear hears as a wobbling mouth.
        const double wah = 0.8 + 0.2 * std::sin(kTwoPi * 9.0 * t - 0.8);
        const double envelope = std::min(1.0, t / 0.02) * (1.0 - 0.35 * x);
        out[i] = envelope * wah * tone;
    }
    Finish(out, 0.62, 0.004, 0.06);
    return out;
}

} // namespace make_assets
