#pragma once
// Screenshots as the robot asks for them: binary PPM pictures of the screen.

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

#include "Medium.h"
#include "Robot.h"

struct Pixel {
    int r, g, b;
    bool operator==(const Pixel&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Pixel& p) {
    return out << "(" << p.r << "," << p.g << "," << p.b << ")";
}

// A binary PPM (P6) as ImageMagick's import writes it: 8 or 16 bits per
// sample; 16-bit samples (big-endian) are taken by their high byte.
class Picture {
public:
    bool Load(const std::string& bytes) {
        size_t pos = 0;
        auto token = [&]() {
            for (;;) {
                while (pos < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[pos]))) ++pos;
                if (pos < bytes.size() && bytes[pos] == '#') {
                    while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
                    continue;
                }
                break;
            }
            size_t start = pos;
            while (pos < bytes.size() && !std::isspace(static_cast<unsigned char>(bytes[pos]))) ++pos;
            return bytes.substr(start, pos - start);
        };
        if (token() != "P6") return false;
        m_width = std::atoi(token().c_str());
        m_height = std::atoi(token().c_str());
        int maxval = std::atoi(token().c_str());
        if (maxval != 255 && maxval != 65535) return false;
        m_sampleBytes = maxval == 255 ? 1 : 2;
        ++pos;  // the one whitespace byte before the samples
        if (m_width <= 0 || m_height <= 0 ||
            bytes.size() - pos < static_cast<size_t>(m_width) * m_height * 3 * m_sampleBytes)
            return false;
        m_data = bytes.substr(pos);
        return true;
    }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
    Pixel At(int x, int y) const {
        const auto* p = reinterpret_cast<const uint8_t*>(m_data.data()) +
                        (static_cast<size_t>(y) * m_width + x) * 3 * m_sampleBytes;
        return {p[0], p[m_sampleBytes], p[2 * m_sampleBytes]};
    }

private:
    int m_width = 0, m_height = 0, m_sampleBytes = 1;
    std::string m_data;
};

// Takes a screenshot of the whole screen through the robot (NAME.ppm in its
// snaps folder) and reads it; nullopt when there is none.
inline std::optional<Picture> TakePicture(Robot& robot, const std::string& name) {
    if (!robot.Screenshot(name + ".ppm")) return std::nullopt;
    std::optional<std::string> bytes = ReadWholeFile(robot.SnapsDir() + "\\" + name + ".ppm");
    Picture picture;
    if (!bytes || !picture.Load(*bytes)) return std::nullopt;
    return picture;
}
