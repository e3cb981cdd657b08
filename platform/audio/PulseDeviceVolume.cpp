#include "PulseDeviceVolume.h"

#include "WaveVolume.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace dawnbell {

namespace {

// How long one connection may take to connect and answer, in total. A server
// that does not answer within it counts as absent.
constexpr std::chrono::milliseconds kServerTimeout{2000};
// Prefix of this back-end's exact-state text: "pulse:<v1>,<v2>,...:<sink name>".
constexpr const char* kExactPrefix = "pulse:";

using Clock = std::chrono::steady_clock;

// One connection to the server, driven by its own main loop until each answer
// arrives or the time is up.
class Connection {
public:
    Connection() : deadline_(Clock::now() + kServerTimeout)
    {
        loop_ = pa_mainloop_new();
        if (!loop_)
            return;
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Dawnbell");
        pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "dawnbell");
        context_ = pa_context_new_with_proplist(pa_mainloop_get_api(loop_), "Dawnbell", props);
        pa_proplist_free(props);
        if (!context_ || pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return;
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context_);
            if (state == PA_CONTEXT_READY) {
                ready_ = true;
                return;
            }
            if (!PA_CONTEXT_IS_GOOD(state) || !Iterate())
                return;
        }
    }
    ~Connection()
    {
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        if (loop_)
            pa_mainloop_free(loop_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool ready() const { return ready_; }
    pa_context* context() const { return context_; }

    // Runs the main loop until `op` has finished; false when it failed, was
    // cancelled or the time ran out. Takes over the operation.
    bool Wait(pa_operation* op)
    {
        if (!op)
            return false;
        bool ok = true;
        while (pa_operation_get_state(op) == PA_OPERATION_RUNNING) {
            if (!Iterate()) {
                pa_operation_cancel(op);
                ok = false;
                break;
            }
        }
        ok = ok && pa_operation_get_state(op) == PA_OPERATION_DONE;
        pa_operation_unref(op);
        return ok;
    }

private:
    // One turn of the main loop, waiting at most until the deadline.
    bool Iterate()
    {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline_ - Clock::now());
        if (left.count() <= 0)
            return false;
        return pa_mainloop_prepare(loop_, static_cast<int>(left.count())) >= 0 && pa_mainloop_poll(loop_) >= 0
               && pa_mainloop_dispatch(loop_) >= 0;
    }

    Clock::time_point deadline_;
    pa_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool ready_ = false;
};

// What the server says about one sink.
struct Sink {
    bool found = false;
    std::string name;
    pa_cvolume volume{};
    bool muted = false;
};

std::string DefaultSinkName(Connection& c)
{
    std::string name;
    auto onInfo = [](pa_context*, const pa_server_info* info, void* data) {
        if (info && info->default_sink_name)
            *static_cast<std::string*>(data) = info->default_sink_name;
    };
    if (!c.Wait(pa_context_get_server_info(c.context(), onInfo, &name)))
        return {};
    return name;
}

Sink FindSink(Connection& c, const std::string& name)
{
    Sink sink;
    auto onSink = [](pa_context*, const pa_sink_info* info, int eol, void* data) {
        auto* s = static_cast<Sink*>(data);
        if (eol || !info || s->found)
            return;
        s->found = true;
        s->name = info->name ? info->name : "";
        s->volume = info->volume;
        s->muted = info->mute != 0;
    };
    if (name.empty() || !c.Wait(pa_context_get_sink_info_by_name(c.context(), name.c_str(), onSink, &sink)))
        return Sink();
    return sink;
}

uint32_t WaveFromPulse(pa_volume_t v)
{
    const uint64_t wave = (static_cast<uint64_t>(v) * kWaveVolumeMax + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM;
    return wave > kWaveVolumeMax ? kWaveVolumeMax : static_cast<uint32_t>(wave);
}

pa_volume_t PulseFromWave(uint32_t wave)
{
    return static_cast<pa_volume_t>(((wave & kWaveVolumeMax) * static_cast<uint64_t>(PA_VOLUME_NORM) + kWaveVolumeMax / 2)
                                    / kWaveVolumeMax);
}

std::string ExactText(const Sink& sink)
{
    std::string text = kExactPrefix;
    for (uint8_t i = 0; i < sink.volume.channels; ++i)
        text += (i ? "," : "") + std::to_string(sink.volume.values[i]);
    return text + ":" + sink.name;
}

// Parses ExactText; false when `text` is not this back-end's or is malformed.
bool ParseExact(const std::string& text, std::string* sinkName, pa_cvolume* volume)
{
    const std::string prefix = kExactPrefix;
    if (text.compare(0, prefix.size(), prefix) != 0)
        return false;
    const size_t colon = text.find(':', prefix.size());
    if (colon == std::string::npos || colon + 1 >= text.size())
        return false;
    pa_cvolume v;
    pa_cvolume_init(&v);
    size_t pos = prefix.size();
    while (pos < colon) {
        const size_t end = std::min(text.find(',', pos), colon);
        const std::string item = text.substr(pos, end - pos);
        char* stop = nullptr;
        const unsigned long value = std::strtoul(item.c_str(), &stop, 10);
        if (item.empty() || *stop != '\0' || value > PA_VOLUME_MAX || v.channels >= PA_CHANNELS_MAX)
            return false;
        v.values[v.channels++] = static_cast<pa_volume_t>(value);
        pos = end + 1;
    }
    if (!pa_cvolume_valid(&v))
        return false;
    *sinkName = text.substr(colon + 1);
    *volume = v;
    return true;
}

} // namespace

std::unique_ptr<PulseDeviceVolume> PulseDeviceVolume::Open()
{
    Connection c;
    if (!c.ready())
        return nullptr;
    const Sink sink = FindSink(c, DefaultSinkName(c));
    if (!sink.found)
        return nullptr;
    return std::unique_ptr<PulseDeviceVolume>(new PulseDeviceVolume(sink.name));
}

bool PulseDeviceVolume::Read(DeviceLevel* out)
{
    Connection c;
    if (!c.ready())
        return false;
    const Sink sink = FindSink(c, DefaultSinkName(c));
    if (!sink.found)
        return false;
    *out = DeviceLevel();
    out->volume = WaveFromPulse(pa_cvolume_max(&sink.volume));
    out->muted = sink.muted ? 1 : 0;
    out->exact = ExactText(sink);
    return true;
}

bool PulseDeviceVolume::Write(const DeviceLevel& level)
{
    Connection c;
    if (!c.ready())
        return false;
    std::string name;
    pa_cvolume exact;
    pa_cvolume_init(&exact);
    Sink sink;
    if (ParseExact(level.exact, &name, &exact))
        sink = FindSink(c, name);
    pa_cvolume volume;
    if (sink.found && sink.volume.channels == exact.channels) {
        volume = exact;
    } else {
        sink = FindSink(c, DefaultSinkName(c));
        if (!sink.found)
            return false;
        pa_cvolume_set(&volume, sink.volume.channels, PulseFromWave(level.volume));
    }
    auto onDone = [](pa_context*, int success, void* data) { *static_cast<int*>(data) = success; };
    int volumeSet = 0;
    bool ok = c.Wait(pa_context_set_sink_volume_by_name(c.context(), sink.name.c_str(), &volume, onDone, &volumeSet))
              && volumeSet;
    if (level.muted >= 0) {
        int muteSet = 0;
        ok = c.Wait(pa_context_set_sink_mute_by_name(c.context(), sink.name.c_str(), level.muted, onDone, &muteSet))
             && muteSet && ok;
    }
    return ok;
}

} // namespace dawnbell
