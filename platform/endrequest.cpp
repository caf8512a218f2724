#include "endrequest.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

// The signal handler may only write to a pipe; the main thread reads it.
int requestPipe[2] = {-1, -1};

void onEndSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(requestPipe[1], &byte, 1);
}

bool openRequestPipe() {
    if (requestPipe[0] >= 0)
        return true;
    if (::pipe2(requestPipe, O_CLOEXEC | O_NONBLOCK) == 0)
        return true;
    requestPipe[0] = requestPipe[1] = -1;
    return false;
}

} // namespace

EndRequestListener::EndRequestListener(std::function<void()> onRequest)
    : onRequest_(std::move(onRequest)) {
    if (!openRequestPipe())
        return;
    notifier_ = new QSocketNotifier(requestPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &EndRequestListener::takeRequest);
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
}

EndRequestListener::~EndRequestListener() {
    if (notifier_)
        std::signal(SIGTERM, SIG_DFL);
}

void EndRequestListener::takeRequest() {
    char bytes[16];
    bool requested = false;
    while (::read(requestPipe[0], bytes, sizeof bytes) > 0)
        requested = true;
    if (requested && onRequest_)
        onRequest_();
}

} // namespace platform
