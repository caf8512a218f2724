#include "transferfixture.h"

#include "core/basario.h"
#include "core/edition.h"
#include "core/quarnconnectecu.h"
#include "core/scramble.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

namespace {

QTemporaryDir* settingsDir = nullptr;

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "transfer_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [] {
        auto* a = new QCoreApplication(argc, argv);
        SetupEditionProfile(128);
        // The settings component reads and writes a scratch folder only.
        settingsDir = new QTemporaryDir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir->path());
        return a;
    }();
    (void)app;
}

} // namespace

bool ProgressRecorder::event(QEvent* e) {
    if (e->type() != QEvent::Type(WM_PROGRESS))
        return QObject::event(e);
    percents.push_back(static_cast<TMessageEvent*>(e)->wParam());
    return true;
}

void ExpectCallsBeginWith(const std::vector<std::string>& calls,
                          const std::vector<std::string>& prefixes) {
    const size_t n = std::min(calls.size(), prefixes.size());
    for (size_t i = 0; i < n; ++i)
        if (calls[i].rfind(prefixes[i], 0) != 0) {
            ADD_FAILURE() << "call " << i << " is " << calls[i] << ", expected " << prefixes[i];
            return;
        }
    EXPECT_EQ(calls.size(), prefixes.size())
        << "first extra: " << (calls.size() > n ? calls[n] : prefixes[n]);
}

void TransferTest::SetUpTestSuite() {
    EnsureApplication();
    ASSERT_TRUE(BindBasarioLibrary());
}

void TransferTest::TearDownTestSuite() {
    FreeBasarioLibrary();
}

TransferTest::TransferTest() {
    EnsureApplication();
    platform::setClock(&clock);
    screen.SetProgressReceiver(&progress);
    // A first start warns that the settings are new; nothing to show here.
    screen.SetMessageHandler([](const std::string&, const std::string&, unsigned) {});
    oldTemp_ = qgetenv("TMPDIR");
    qputenv("TMPDIR", dir_.path().toLocal8Bit() + "/tmp");
    QDir().mkpath(dir_.path() + "/tmp");
}

TransferTest::~TransferTest() {
    dm.reset();
    QCoreApplication::sendPostedEvents();
    platform::setClock(nullptr);
    if (oldTemp_.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", oldTemp_);
}

void TransferTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(sim.loaded());
    sim.resetAnsweringAtOnce(2);
    dm = NewImage();
    ASSERT_TRUE(dm->QuarnConnectEcu->Loaded());
    ASSERT_TRUE(dm->EcuLink()->Connect());
    sim.clearCallLog();
}

std::unique_ptr<TStreamDati> TransferTest::NewImage() {
    return std::make_unique<TStreamDati>(nullptr, &screen);
}

std::string TransferTest::Path(const std::string& name) const {
    return dir_.filePath(QString::fromStdString(name)).toStdString();
}

QByteArray TransferTest::Read(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void TransferTest::Write(const std::string& path, const QByteArray& bytes) {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

void TransferTest::WriteConfig(const std::string& path, const std::string& plain) const {
    QByteArray body = QByteArray::fromStdString(plain);
    ScrambleBytes(reinterpret_cast<uint8_t*>(body.data()), size_t(body.size()),
                  dm->ScrambleKey().c_str());
    Write(path, QByteArray(kEncryptedHeader) + "\r\n" + body);
}

std::string TransferTest::PlainText(const std::string& path) const {
    const QByteArray file = Read(path);
    const auto body = DecodeContainer(reinterpret_cast<const uint8_t*>(file.data()),
                                      size_t(file.size()), dm->ScrambleKey().c_str());
    return body ? std::string(body->begin(), body->end()) : "<not a container>";
}

QStringList TransferTest::WorkCopies() const {
    return QDir(dir_.path() + "/tmp").entryList({"_mt*"}, QDir::Files | QDir::Hidden);
}

std::vector<std::string> TransferTest::Calls(const std::vector<std::string>& prefixes) const {
    std::vector<std::string> out;
    for (const std::string& call : sim.callLog())
        if (prefixes.empty() || std::any_of(prefixes.begin(), prefixes.end(),
                                            [&](auto& p) { return call.rfind(p, 0) == 0; }))
            out.push_back(call);
    return out;
}
