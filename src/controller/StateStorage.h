#pragma once

#include "model/PersistedState.h"
#include "model/Persistence.h"

#include <filesystem>

namespace orvane {

// Where the controller reads its state at start and writes it on every save. The
// application uses the state file behind a background writer; tests count and inspect
// saves with a fake. Main thread only.
class StateStorage {
public:
    virtual ~StateStorage() = default;
    // The state to start with; never without a playlist.
    virtual PersistedState load() = 0;
    // Writes `state`, or hands it to a writer that will; false when the save was
    // dropped (the state file reports why to the diagnostics; nothing else does).
    virtual bool save(PersistedState state) = 0;
    // Writes only where playback stands, the small record noted every few seconds while
    // playing; load() takes the newer of it and the state's own resume fields.
    virtual bool saveResume(const ResumePoint& point) = 0;
    // Returns once every state handed to save() is on disk (or failed).
    virtual void flush() {}
};

// The state file (Persistence): "orvane-data.json" in Orvane's data folder, or a
// given path. It writes on the calling thread.
class FileStateStorage final : public StateStorage {
public:
    FileStateStorage() = default;
    explicit FileStateStorage(std::filesystem::path file) : persistence_(std::move(file)) {}

    PersistedState load() override { return persistence_.load(); }
    bool save(PersistedState state) override { return persistence_.save(state); }
    bool saveResume(const ResumePoint& point) override { return persistence_.saveResume(point); }

    const std::filesystem::path& file() const { return persistence_.file(); }

private:
    Persistence persistence_;
};

} // namespace orvane
