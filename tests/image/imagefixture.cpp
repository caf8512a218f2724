#include "imagefixture.h"

#include "core/edition.h"

#include <QCoreApplication>
#include <QSettings>
#include <sstream>

namespace {
QTemporaryDir* settingsDir = nullptr;
}

void EnsureTestApplication() {
    static int argc = 1;
    static char name[] = "image_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [] {
        auto* a = new QCoreApplication(argc, argv);
        SetupEditionProfile(128);
        return a;
    }();
    (void)app;
    if (!settingsDir)
        ResetSettings();
}

void ResetSettings() {
    delete settingsDir;
    settingsDir = new QTemporaryDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir->path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir->path());
}

std::string LinkCall::text() const {
    std::ostringstream out;
    out << op;
    if (op.rfind("Write", 0) == 0 || op == "ReadParam")
        out << " 0x" << std::hex << id << std::dec;
    for (int32_t a : args)
        out << ' ' << a;
    return out.str();
}

std::vector<std::string> FakeLink::log() const {
    std::vector<std::string> lines;
    for (const LinkCall& c : calls)
        lines.push_back(c.text());
    return lines;
}

void FakeLink::record(const std::string& op, uint32_t id, std::vector<int32_t> args) {
    calls.push_back({op, id, std::move(args)});
}

bool FakeLink::write(const std::string& op, uint32_t id, std::vector<int32_t> args) {
    record(op, id, std::move(args));
    return acceptWrite(calls.back());
}

bool FakeLink::elapsed(int64_t ms) const {
    if (ms < 0)
        return false;
    return !clock || int64_t(clock->sleptTotal()) >= ms;
}

int FakeLink::Reconnect() {
    record("Reconnect");
    return elapsed(reconnectAfterMs) ? 1 : 0;
}

bool FakeLink::ReadParam(uint32_t id, int32_t* values) {
    record("ReadParam", id);
    if (id == 2) {
        values[0] = elapsed(readyAfterMs) ? 0xAC : 0x11;
        return true;
    }
    auto it = reads.find(id);
    if (it == reads.end())
        return false;
    std::copy(it->second.begin(), it->second.end(), values);
    return true;
}

bool FakeLink::WriteParamArray(uint32_t id, const int32_t* values) {
    const int n = id == 0x2303 ? 2 : 1;
    return write("WriteParamArray", id, std::vector<int32_t>(values, values + n));
}

bool FakeLink::WriteParam(uint32_t id, int32_t value) {
    return write("WriteParam", id, {value});
}

bool FakeLink::WriteParamItem(uint32_t id, int index, int32_t value) {
    return write("WriteParamItem", id, {index, value});
}

bool FakeLink::WriteParamCell(uint32_t id, int row, int column, int32_t value) {
    return write("WriteParamCell", id, {row, column, value});
}

bool FakeLink::ReadEcuId(uint8_t* id4) {
    record("ReadEcuId");
    if (acceptEcuId)
        std::copy(std::begin(ecuId), std::end(ecuId), id4);
    return acceptEcuId;
}

bool MessageRecorder::event(QEvent* e) {
    if (e->type() == QEvent::Type(WM_DATACHANGED) || e->type() == QEvent::Type(WM_PROGRESS)) {
        auto* m = static_cast<TMessageEvent*>(e);
        received.push_back({m->message(), m->wParam(), m->lParam()});
        return true;
    }
    return QObject::event(e);
}

ImageTest::ImageTest() {
    EnsureTestApplication();
    platform::setClock(&clock);
    link.clock = &clock;
    screen.SetFormsProvider([this] { return std::vector<QObject*>{&form1, &form2}; });
    screen.SetProgressReceiver(&waitWindow);
    screen.SetMessageHandler([this](const std::string& text, const std::string&, unsigned) {
        messageBoxes.push_back(text);
    });
}

ImageTest::~ImageTest() {
    dm.reset();
    deliverPosted();
    platform::setClock(nullptr);
}

void ImageTest::SetUp() {
    dm = std::make_unique<TStreamDati>(nullptr, &screen, &link);
    ASSERT_TRUE(dm->SetMapGeometry(12, 6));
    deliverPosted();
    form1.received.clear();
    form2.received.clear();
    link.clear();
}

void ImageTest::editImage(const std::function<void(TEcuImage&)>& edit) {
    TEcuImage image = dm->Image();
    edit(image);
    dm->RestoreImage(image);
}

void ImageTest::makeOfficial() {
    ASSERT_TRUE(dm->SetUfficiale(true));
    dm->SetModified(false);
    link.clear();
}

void ImageTest::deliverPosted() {
    QCoreApplication::sendPostedEvents();
}
