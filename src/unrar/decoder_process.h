#pragma once

#include "unrar/protocol/decoder_protocol.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include <sys/types.h>

namespace tavox::unrar {

enum class DecodeResult {
    Ok,
    Failed,    // the decoder reported an error, or gave more data than the entry holds
    Stalled,   // no sign of progress within the limit: the worker was stopped
    Crashed,   // the worker ended, or spoke nonsense
    Stopped,   // the data receiver asked to stop
    NoWorker,  // the worker program could not be started
    NoDecoder, // the program that decodes this data is not installed
};

// The decoders run in a worker process of their own, so that a decoder that loops forever or crashes on a
// hostile archive costs an error, never the menu. The worker streams the unpacked data back; the receiver
// runs on the caller's thread. A worker silent for longer than the limit is killed.
class DecoderProcess {
public:
    DecoderProcess(std::string worker_path, std::chrono::milliseconds no_progress_limit);
    ~DecoderProcess();
    DecoderProcess(const DecoderProcess&) = delete;
    DecoderProcess& operator=(const DecoderProcess&) = delete;

    using Receiver = std::function<bool(std::span<const std::uint8_t> block)>; // false stops

    // Decodes one entry of `stream` (sent to the worker only when it differs from the last one).
    DecodeResult Decode(const protocol::Stream& stream, const protocol::Request& request,
                        const Receiver& receive);

    // The worker program: beside the running program (the build tree), in the package's libexec directory
    // relative to it (installed), or where the build made it (tests).
    static std::string DefaultWorkerPath();

private:
    DecodeResult DecodeEntry(const protocol::Stream& stream, const protocol::Request& request,
                             const Receiver& receive);
    bool Start();
    void Stop();
    // Waits for the next frame until the deadline that progress keeps moving.
    DecodeResult Receive(protocol::Frame& type, std::string& payload);

    std::string worker_path_;
    std::chrono::milliseconds limit_;
    pid_t pid_ = -1;
    int socket_ = -1;
    std::string sent_stream_;
    protocol::FrameBuffer frames_;
};

} // namespace tavox::unrar
