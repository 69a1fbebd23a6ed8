#include "palette_image.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <unordered_map>
#include <vector>

namespace make_assets {
namespace {

struct Entry {
    std::array<int, 3> rgb{};
    std::int64_t count = 0;
};

struct Box {
    std::vector<Entry> entries;
    std::int64_t weight = 0;

    int Range(int channel) const {
        const auto [low, high] =
            std::minmax_element(entries.begin(), entries.end(), [channel](const Entry& a, const Entry& b) {
                return a.rgb[channel] < b.rgb[channel];
            });
        return high->rgb[channel] - low->rgb[channel];
    }
    int WidestChannel() const {
        int widest = 0;
        for (int channel = 1; channel < 3; ++channel) {
            if (Range(channel) > Range(widest)) {
                widest = channel;
            }
        }
        return widest;
    }
    // How much splitting this box would help: spread weighted by how many pixels it covers.
    double Priority() const {
        return entries.size() < 2 ? -1.0 : static_cast<double>(Range(WidestChannel())) * std::sqrt(weight);
    }
};

QRgb Average(const Box& box) {
    std::array<std::int64_t, 3> sum{};
    for (const Entry& entry : box.entries) {
        for (int channel = 0; channel < 3; ++channel) {
            sum[channel] += entry.rgb[channel] * entry.count;
        }
    }
    const auto mean = [&](int channel) {
        return static_cast<int>((sum[channel] + box.weight / 2) / box.weight);
    };
    return qRgb(mean(0), mean(1), mean(2));
}

int Distance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b);
    const int dg = qGreen(a) - qGreen(b);
    const int db = qBlue(a) - qBlue(b);
    // Green weighs most and blue least, roughly as the eye does.
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

} // namespace

QList<QRgb> SharedPalette(std::span<const QImage> images, std::span<const QRgb> fixed, int size) {
    // An ordered map keeps the result the same on every run.
    std::map<QRgb, std::int64_t> histogram;
    for (const QImage& source : images) {
        const QImage image = source.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                ++histogram[row[x] | 0xFF000000u];
            }
        }
    }
    std::vector<Box> boxes(1);
    for (const auto& [colour, count] : histogram) {
        boxes[0].entries.push_back({{qRed(colour), qGreen(colour), qBlue(colour)}, count});
        boxes[0].weight += count;
    }
    const auto wanted = static_cast<std::size_t>(size) - fixed.size();
    while (boxes.size() < wanted) {
        const auto best = std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) {
            return a.Priority() < b.Priority();
        });
        if (best->Priority() < 0.0) {
            break;
        }
        const int channel = best->WidestChannel();
        std::stable_sort(
            best->entries.begin(), best->entries.end(),
            [channel](const Entry& a, const Entry& b) { return a.rgb[channel] < b.rgb[channel]; });
        // Split at the weighted median, keeping at least one colour on each side.
        std::int64_t running = 0;
        std::size_t cut = 1;
        for (; cut < best->entries.size() - 1; ++cut) {
            running += best->entries[cut - 1].count;
            if (running * 2 >= best->weight) {
                break;
            }
        }
        Box upper;
        upper.entries.assign(best->entries.begin() + static_cast<std::ptrdiff_t>(cut), best->entries.end());
        best->entries.resize(cut);
        best->weight = 0;
        for (const Entry& entry : best->entries) {
            best->weight += entry.count;
        }
        for (const Entry& entry : upper.entries) {
            upper.weight += entry.count;
        }
        boxes.push_back(std::move(upper));
    }
    QList<QRgb> palette(fixed.begin(), fixed.end());
    for (const Box& box : boxes) {
        if (!box.entries.empty()) {
            palette.push_back(Average(box));
        }
    }
    return palette;
}

QImage ToIndexed(const QImage& source, const QList<QRgb>& palette) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QImage indexed(image.size(), QImage::Format_Indexed8);
    indexed.setColorTable(palette);
    // The BMP writer copies whole scan lines, padding included: clear them so every build writes the same
    // bytes.
    std::memset(indexed.bits(), 0, static_cast<std::size_t>(indexed.sizeInBytes()));
    std::unordered_map<QRgb, uchar> nearest;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = row[x] | 0xFF000000u;
            auto found = nearest.find(colour);
            if (found == nearest.end()) {
                int best = 0;
                int best_distance = std::numeric_limits<int>::max();
                for (int i = 0; i < palette.size(); ++i) {
                    const int distance = Distance(colour, palette[i]);
                    if (distance < best_distance) {
                        best = i;
                        best_distance = distance;
                    }
                }
                found = nearest.emplace(colour, static_cast<uchar>(best)).first;
            }
            out[x] = found->second;
        }
    }
    return indexed;
}

} // namespace make_assets
