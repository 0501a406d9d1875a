#pragma once
// TDeepFrames: frames of deep video (more than 8 bits a sample) at 16 bits a channel, for stills
// saved in a format that keeps them (16-bit PNG). The graph hands 8-bit RGB pictures to the
// window; this reads the same file with a reader of its own (platform/outside/picture_reader.h)
// and converts the frame on screen at a time upright, with the same matrix and range as the
// 8-bit picture. HDR video is not read here: its stills are the tone-mapped 8-bit pictures.
//
// Reading goes on forward from the last frame when the time asked lies less than a second
// after it (an intervalometer run decodes a few pictures a shot), else it seeks.
//
// Threads: the user-interface thread only. Failure (a file that does not open, a seek or a
// conversion that fails) gives no picture: the still is then saved at 8 bits.

#include <QImage>
#include <string>

#include <cstdint>
#include <memory>
#include <optional>

namespace sp {

namespace outside {
class PictureReader;
}

class TDeepFrames {
public:
    TDeepFrames();
    ~TDeepFrames();
    TDeepFrames(const TDeepFrames&) = delete;
    TDeepFrames& operator=(const TDeepFrames&) = delete;

    // Forgets the file read last.
    void Close();
    // The stream of `path` describes deep SDR pictures (read from its header, nothing decoded).
    bool Deep(const std::string& path);
    // The frame of `path` on screen at `positionHns` (the file's times, 0 at the first
    // picture), upright, as RGBX64; null when the file is not deep or reading fails.
    QImage FrameAt(const std::string& path, int64_t positionHns);

private:
    bool OpenFor(const std::string& path);
    bool ReadTo(int64_t positionHns);

    std::unique_ptr<outside::PictureReader> reader_;
    std::string path_;       // the file reader_ reads, or the one that failed to open
    bool deep_ = false;      // reader_'s stream is deep SDR
    int64_t lastStart_ = -1; // start of the picture read last; -1: none since the last seek
    int64_t lastEnd_ = -1;
};

} // namespace sp
