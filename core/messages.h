#pragma once
// The two application messages between the data module and the windows, as
// Qt events of the same numbers, and the screen seam through which core
// reaches the windows without knowing any widget.
#include <QEvent>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QObject;

// Data changed: lParam is the event code (0 link closed, 1 link open,
// 2 configuration name changed, 3 run Connect, 4 run Save, 5 option flags).
constexpr int WM_DATACHANGED = 0x8190;
// Progress: wParam the percentage, lParam 0 for an absolute position.
constexpr int WM_PROGRESS = 0x8191;

class TMessageEvent : public QEvent {
public:
    TMessageEvent(int message, intptr_t wParam, intptr_t lParam)
        : QEvent(static_cast<QEvent::Type>(message)), wParam_(wParam), lParam_(lParam) {}
    int message() const { return static_cast<int>(type()); }
    intptr_t wParam() const { return wParam_; }
    intptr_t lParam() const { return lParam_; }

private:
    intptr_t wParam_;
    intptr_t lParam_;
};

// Message box flag of an error (OK button, stop icon).
constexpr unsigned kMessageIconError = 0x10;

class TScreen {
public:
    // Every form of the application's screen list, in list order.
    using FormsProvider = std::function<std::vector<QObject*>()>;
    // Shows a message box (text and caption in code page 1252).
    using MessageHandler =
        std::function<void(const std::string& text, const std::string& caption, unsigned flags)>;

    void SetFormsProvider(FormsProvider provider) { forms_ = std::move(provider); }
    void SetMessageHandler(MessageHandler handler) { message_ = std::move(handler); }
    // The wait window that receives progress; null: progress is dropped.
    void SetProgressReceiver(QObject* receiver) { progress_ = receiver; }
    QObject* ProgressReceiver() const { return progress_; }

    // Posts a new event to each form; handled after the current operation.
    void PostToEveryForm(int message, intptr_t wParam, intptr_t lParam) const;
    // Sends progress synchronously to the registered receiver.
    void SendProgress(intptr_t percent) const;
    // Sends one message synchronously; false when there is no receiver.
    static bool Send(QObject* receiver, int message, intptr_t wParam, intptr_t lParam);
    void ShowMessage(const std::string& text, const std::string& caption, unsigned flags) const;

private:
    FormsProvider forms_;
    MessageHandler message_;
    QPointer<QObject> progress_;
};

// The program's screen; the shell installs its provider, message handler and
// wait window.
TScreen& Screen();
