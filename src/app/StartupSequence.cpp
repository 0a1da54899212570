#include "app/StartupSequence.h"

#include "core/paths/Paths.h"
#include "core/settings/AccountSettings.h"

#include <cstdio>
#include <cstdlib>

namespace ricorne {

namespace {
std::map<std::string, StartupSequence::Step>& Registrations() {
    static std::map<std::string, StartupSequence::Step> registrations;
    return registrations;
}

StartupSequence::Step& MailLibraryRelease() {
    static StartupSequence::Step release;
    return release;
}
} // namespace

StartupSequence::StartupSequence() : places_(std::make_shared<Places>()) {}

void StartupSequence::AddStep(const std::string& name, Step body) {
    steps_.push_back({name, std::move(body)});
}

void StartupSequence::AddPlace(const std::string& name, Step standIn) {
    places_->standIns[name] = std::move(standIn);
    steps_.push_back({name, [places = places_, name] { places->Run(name); }});
}

void StartupSequence::Fill(const std::string& place, Step callable) {
    places_->fills[place] = std::move(callable);
}

bool StartupSequence::IsFilled(const std::string& place) const {
    return places_->fills.contains(place);
}

void StartupSequence::RunPlace(const std::string& place) const {
    places_->Run(place);
}

StartupSequence::Step StartupSequence::PlaceRunner(const std::string& place) const {
    return [places = places_, place] { places->Run(place); };
}

void StartupSequence::Places::Run(const std::string& place) const {
    if (auto fill = fills.find(place); fill != fills.end()) {
        if (fill->second)
            fill->second();
        return;
    }
    if (auto standIn = standIns.find(place); standIn != standIns.end() && standIn->second)
        standIn->second();
}

std::vector<std::string> StartupSequence::Names() const {
    std::vector<std::string> names;
    for (const Entry& e : steps_)
        names.push_back(e.name);
    return names;
}

void StartupSequence::Run(const std::function<void(const std::string&)>& onStep) const {
    for (const Entry& e : steps_) {
        if (onStep)
            onStep(e.name);
        if (e.body)
            e.body();
    }
}

void RegisterStartupStep(const std::string& place, StartupSequence::Step callable) {
    Registrations()[place] = std::move(callable);
}

StartupSequence MakeStartupSequence(const MainWindowSteps& mainWindow) {
    using namespace startup;
    StartupSequence s;
    // Folders first: the compose window's load already reads and creates files in them.
    s.AddStep(kEnsureInstalledFolders, [] { EnsureInstalledFolders(); });
    s.AddPlace(kSlotInitialState);
    s.AddStep(kHideHelpBox, mainWindow.hideHelpBox);
    s.AddPlace(kLoadComposeHidden);
    s.AddStep(kLoadServerSettings, [] { LoadServerSettings(); });
    s.AddPlace(kPrepareMailLibrary);
    s.AddStep(kOpenServerSettingsWhenUnset, [open = s.PlaceRunner(kOpenServerSettings)] {
        // The dialog is not modal: start-up goes on and the main window shows beside it.
        if (AccountSettings().Pop3Server.isEmpty())
            open();
    });
    s.AddStep(kShowMainWindow, mainWindow.showMainWindow);
    for (const auto& [place, callable] : Registrations())
        s.Fill(place, callable);
    return s;
}

void RegisterMailLibraryRelease(StartupSequence::Step release) {
    MailLibraryRelease() = std::move(release);
}

void ShutDown(const std::function<void()>& endProcess) {
    if (MailLibraryRelease())
        MailLibraryRelease()();
    if (endProcess) {
        endProcess();
        return;
    }
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace ricorne
