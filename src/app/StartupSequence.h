// Start-up as an ordered list of named steps. Some steps are named places that a subsystem
// fills with its own callable (loading the compose window hidden, opening the server settings
// when no POP3 server is set, ...); until one is filled, its stand-in runs (usually nothing).
// Filling never changes the order.
//
// A subsystem fills a place either by calling RegisterStartupStep before start-up runs (for
// example from a static StartupStepRegistration object in its library; the program links the
// subsystem libraries whole, so such objects are constructed) or through
// StartupSequence::Fill on a sequence it holds.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ricorne {

namespace startup {
// Order of the program's start-up (the places marked "place" are fillable).
inline constexpr char kEnsureInstalledFolders[] = "ensure-installed-folders";
inline constexpr char kSlotInitialState[] = "slot-initial-state"; // place: 100 coins, reels placed
inline constexpr char kHideHelpBox[] = "hide-help-box";
inline constexpr char kLoadComposeHidden[] = "load-compose-hidden"; // place: WriteForm hidden, fortune off
inline constexpr char kLoadServerSettings[] = "load-server-settings";
inline constexpr char kPrepareMailLibrary[] = "prepare-mail-library"; // place: mail library start-up
inline constexpr char kOpenServerSettingsWhenUnset[] = "open-server-settings-when-unset";
inline constexpr char kOpenServerSettings[] = "open-server-settings"; // place: OptionForm, not modal
inline constexpr char kShowMainWindow[] = "show-main-window";
} // namespace startup

class StartupSequence {
public:
    using Step = std::function<void()>;

    StartupSequence();
    StartupSequence(StartupSequence&&) = default;
    StartupSequence& operator=(StartupSequence&&) = default;
    StartupSequence(const StartupSequence&) = delete;
    StartupSequence& operator=(const StartupSequence&) = delete;

    // Appends a step that always runs body.
    void AddStep(const std::string& name, Step body);
    // Appends a step that runs the place's callable (standIn until the place is filled).
    void AddPlace(const std::string& name, Step standIn = {});
    // Sets the callable of a place (the place may be run by a step of another name, as the
    // server settings place is run only when no POP3 server is set). Replaces an earlier fill.
    void Fill(const std::string& place, Step callable);
    bool IsFilled(const std::string& place) const;
    // Runs a place's callable now (for steps whose body decides whether the place runs).
    void RunPlace(const std::string& place) const;
    // A callable that runs the place whenever called (stays valid when the sequence is moved).
    Step PlaceRunner(const std::string& place) const;

    std::vector<std::string> Names() const;
    // Runs every step in order; onStep (when given) hears each step's name before it runs.
    void Run(const std::function<void(const std::string&)>& onStep = {}) const;

private:
    struct Entry {
        std::string name;
        Step body;
    };
    struct Places {
        std::map<std::string, Step> standIns;
        std::map<std::string, Step> fills;
        void Run(const std::string& place) const;
    };

    std::vector<Entry> steps_;
    std::shared_ptr<Places> places_; // shared with the step bodies that run places
};

// Process-wide fills, applied by MakeStartupSequence (later registrations win).
void RegisterStartupStep(const std::string& place, StartupSequence::Step callable);

struct StartupStepRegistration {
    StartupStepRegistration(const std::string& place, StartupSequence::Step callable) {
        RegisterStartupStep(place, std::move(callable));
    }
};

// What start-up needs from the main window (kept as callables so this library stays below it).
struct MainWindowSteps {
    StartupSequence::Step hideHelpBox;
    StartupSequence::Step showMainWindow;
};

// The program's start-up, in order:
//   ensure-installed-folders, slot-initial-state (place), hide-help-box,
//   load-compose-hidden (place), load-server-settings, prepare-mail-library (place),
//   open-server-settings-when-unset (runs the place open-server-settings when Pop3Server is
//   empty), show-main-window.
// Places registered with RegisterStartupStep are filled.
StartupSequence MakeStartupSequence(const MainWindowSteps& mainWindow);

// The mail library: its start-up is the place prepare-mail-library (NMailInitializeWinSock,
// then NMailSetOption(1, 8192) on the process's mail component), filled by whoever owns that
// component; its release (NMailEndWinSock) is registered here and runs first at shut-down.
void RegisterMailLibraryRelease(StartupSequence::Step release);

// Shut-down when the main window closes: releases the mail library, then ends the process at
// once with status 0. No other window runs its closing steps (a window that saves when closed,
// like the face-mark palette, does not save), no event is processed any more and no destructor
// runs: std::_Exit after flushing the C streams. The single-threaded program writes every file
// within one event, so no file is half written at this point. endProcess replaces the ending
// for tests.
void ShutDown(const std::function<void()>& endProcess = {});

} // namespace ricorne
