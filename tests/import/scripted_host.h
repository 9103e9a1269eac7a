// scripted_host.h: an import host that records what the user would see and answers the
// question from a script. Its bar behaves as the window's does (capped_progress.h).
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "import/capped_progress.h"
#include "import/import_host.h"

namespace testing_support {

class ScriptedHost : public importer::ImportHost {
public:
    std::deque<bool> answers;  // used up in order; No when none is left
    std::vector<std::string> asked, told, activities;
    std::vector<int> maximums;   // every maximum set, in order
    std::vector<int> positions;  // the bar's position after every change
    int notFound = 0;
    // Called after every line of a pass, for tests that act between two steps of a run.
    std::function<void(importer::Pass, std::int64_t bytes, std::int64_t size)> onLine;

    void filesNotFound() override { ++notFound; }
    void activity(const std::string& text) override { activities.push_back(text); }
    void setProgressMaximum(int maximum) override {
        bar.setMaximum(maximum);
        maximums.push_back(maximum);
        positions.push_back(bar.position());
    }
    void setProgressPosition(int position) override {
        bar.setPosition(position);
        positions.push_back(bar.position());
    }
    int progressPosition() const override { return bar.position(); }
    bool ask(const std::string& question) override {
        asked.push_back(question);
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void tell(const std::string& message) override { told.push_back(message); }
    void linesRead(importer::Pass pass, std::int64_t, std::int64_t bytes,
                   std::int64_t size) override {
        if (onLine) onLine(pass, bytes, size);
    }

    importer::CappedProgress bar;
};

}  // namespace testing_support
