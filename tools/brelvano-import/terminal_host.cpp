#include "terminal_host.h"

#include <cstdio>
#include <iostream>

namespace {

using importer::Pass;

// What the progress line says while a pass runs. The window shows one activity line for the whole
// check; the terminal names the file being checked.
std::string passLabel(Pass pass, const std::string& activity) {
    switch (pass) {
        case Pass::CheckHeader:
            return "Controllo del file delle testate";
        case Pass::CheckDetail:
            return "Controllo del file dei dettagli";
        default:
            return activity;
    }
}

std::string duration(double seconds) {
    const long s = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

TerminalHost::TerminalHost(std::optional<bool> answer, bool interactive, bool drawProgress)
    : answer_(answer), interactive_(interactive), drawProgress_(drawProgress) {}

TerminalHost::~TerminalHost() { endProgress(); }

void TerminalHost::filesNotFound() {
    endProgress();
    std::cerr << "NON TROVATO\n";
}

void TerminalHost::activity(const std::string& text) { activity_ = text; }

bool TerminalHost::ask(const std::string& question) {
    endProgress();
    if (answer_) return *answer_;
    std::cerr << question;
    if (!interactive_) {
        std::cerr << "No (standard input is not a terminal; --yes answers Yes)\n";
        return false;
    }
    std::cerr << "[Yes/No] " << std::flush;
    std::string reply;
    if (!std::getline(std::cin, reply)) return false;
    const std::string r = reply.substr(0, reply.find_last_not_of(" \t\r") + 1);
    return r == "y" || r == "Y" || r == "yes" || r == "Yes" || r == "YES" || r == "s" || r == "S" ||
           r == "si" || r == "Si" || r == "sì";
}

void TerminalHost::tell(const std::string& message) {
    endProgress();
    std::cout << message << '\n' << std::flush;
}

void TerminalHost::linesRead(Pass pass, std::int64_t lines, std::int64_t bytes, std::int64_t size) {
    if (!drawProgress_) return;
    const Clock::time_point now = Clock::now();
    if (pass_ != pass) {
        pass_ = pass;
        passStart_ = now;
        lastDraw_ = {};
    }
    // A redraw ten times a second is plenty; the lines come far faster.
    if (now - lastDraw_ < std::chrono::milliseconds(100) && bytes < size) return;
    lastDraw_ = now;
    draw(lines, bytes, size);
}

void TerminalHost::draw(std::int64_t lines, std::int64_t bytes, std::int64_t size) {
    const double elapsed = std::chrono::duration<double>(Clock::now() - passStart_).count();
    const double done = size > 0 ? static_cast<double>(bytes) / static_cast<double>(size) : 1.0;
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(done * kWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, '.');
    // Rates over the first moments of a pass say nothing yet.
    const bool settled = elapsed >= 0.5;
    const double bytesPerSecond = settled ? static_cast<double>(bytes) / elapsed : 0;
    const std::string rate =
        settled ? std::to_string(static_cast<long>(static_cast<double>(lines) / elapsed)) : "-";
    const std::string left =
        bytesPerSecond > 0 ? duration(static_cast<double>(size - bytes) / bytesPerSecond) : "-";
    char tail[128];
    std::snprintf(tail, sizeof tail, " [%s] %3d%% %s righe/s, %s rimanenti", bar.c_str(),
                  static_cast<int>(done * 100), rate.c_str(), left.c_str());
    std::cerr << "\r\033[K" << passLabel(*pass_, activity_) << tail << std::flush;
    lineShown_ = true;
}

void TerminalHost::endProgress() {
    if (!lineShown_) return;
    std::cerr << "\r\033[K" << std::flush;
    lineShown_ = false;
}
