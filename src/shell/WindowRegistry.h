// Every window of the program exists at most once. It is created on first use (its load steps
// run then), stays while it is open or hidden, and is forgotten when it closes.
//
//   Registry().Get<WriteForm>()   the window, loaded hidden when it is not loaded yet
//   Registry().Show<WriteForm>()  the window, loaded when needed, shown and brought to front
//   Registry().Find<WriteForm>()  the window, or nullptr when it is not loaded (never loads)
//
// A window class needs a default constructor, or a factory given with SetFactory (the program's
// wiring uses one to connect each new window before its load steps). Load steps
// that may process events (Pause, message boxes, anything that can let a second click in) belong
// in a public `void Load()`: the registry calls it after it has recorded the window, so a
// request arriving during the load gets the same window instead of a second one.
//
// Every window's Tab order follows its layout (KeepTabOrderByPlace).
//
// Windows are created with Qt::WA_DeleteOnClose. A close that the window accepts forgets it at
// once (the next Get creates a fresh one); a close the window refuses keeps it.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QWidget>
#include <functional>
#include <map>
#include <type_traits>
#include <typeindex>
#include <vector>

namespace ricorne {

class WindowRegistry : public QObject {
    Q_OBJECT
public:
    // Replaces the default `new T()`: for windows that need arguments, or connections made
    // before the window loads. Setting it again replaces the former one.
    template <class T> void SetFactory(std::function<T*()> factory) {
        factories_[Key<T>()] = [factory] { return static_cast<QWidget*>(factory()); };
    }

    template <class T> T* Find() const { return static_cast<T*>(FindWidget(Key<T>())); }

    template <class T> bool IsLoaded() const { return Find<T>() != nullptr; }

    template <class T> T* Get() {
        if (T* w = Find<T>())
            return w;
        return static_cast<T*>(Load(Key<T>(), DefaultFactory<T>(), [](QWidget& w) { RunLoad<T>(w); }));
    }

    template <class T> T* Show() {
        T* w = Get<T>();
        if (w)
            Raise(w);
        return w;
    }

    // Closes the window when it is loaded (its own closing steps run). True when it is gone.
    template <class T> bool Close() {
        T* w = Find<T>();
        return !w || CloseWidget(w);
    }

    // Number of windows loaded now (for tests and diagnostics).
    int LoadedCount() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Factory = std::function<QWidget*()>;

    template <class T> static std::type_index Key() { return std::type_index(typeid(T)); }

    template <class T> static Factory DefaultFactory() {
        if constexpr (std::is_default_constructible_v<T>)
            return [] { return static_cast<QWidget*>(new T()); };
        else
            return {};
    }

    template <class T> static void RunLoad(QWidget& w) {
        if constexpr (requires(T & t) { t.Load(); })
            static_cast<T&>(w).Load();
    }

    QWidget* FindWidget(std::type_index key) const;
    QWidget* Load(std::type_index key, Factory defaultFactory, const std::function<void(QWidget&)>& load);
    void Forget(QObject* window);
    static void Raise(QWidget* w);
    static bool CloseWidget(QWidget* w);

    std::map<std::type_index, QPointer<QWidget>> windows_;
    std::map<std::type_index, Factory> factories_;
    QSet<QObject*> delivering_;
};

// The one registry of the process.
WindowRegistry& Registry();

} // namespace ricorne
