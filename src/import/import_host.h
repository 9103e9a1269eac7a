// import_host.h: what an import run needs from whoever started it.
//
// The window answers with its status display, activity line, progress bar and message boxes;
// the headless tool with the terminal; tests from a script. The run calls these in the order the
// user must see them, on its own thread, and waits for each.
#pragma once

#include <cstdint>
#include <string>

namespace importer {

// Which reading of an input file a run is in.
enum class Pass { CheckHeader, CheckDetail, Header, Detail };

class ImportHost {
public:
    virtual ~ImportHost() = default;

    // The first step found a text file missing: the status display shows "NON TROVATO".
    virtual void filesNotFound() = 0;

    // The activity line's new text, shown (repainted) before the run goes on.
    virtual void activity(const std::string& text) = 0;

    // The progress bar: its minimum is 0. Setting the maximum below the position caps the
    // position; a position is never shown beyond the maximum.
    virtual void setProgressMaximum(int maximum) = 0;
    virtual void setProgressPosition(int position) = 0;
    virtual int progressPosition() const = 0;

    // The confirmation question; true only for Yes.
    virtual bool ask(const std::string& question) = 0;

    // The information message.
    virtual void tell(const std::string& message) = 0;

    // After each line of a pass: lines read so far (the discarded first one included), bytes of
    // the file they took, the file's size. For hosts that show speed and time left.
    virtual void linesRead(Pass pass, std::int64_t lines, std::int64_t bytes, std::int64_t size) {
        (void)pass, (void)lines, (void)bytes, (void)size;
    }
};

}  // namespace importer
