#include "app/headless/EventStream.h"

#include <QJsonDocument>
#include <QUuid>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

namespace torvane::app {

QString Rfc3339Utc(std::int64_t msSinceEpoch) {
    const std::int64_t seconds = msSinceEpoch >= 0 ? msSinceEpoch / 1000 : (msSinceEpoch - 999) / 1000;
    const int ms = static_cast<int>(msSinceEpoch - seconds * 1000);
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    ::gmtime_r(&t, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, ms);
    return QString::fromLatin1(text);
}

std::int64_t UtcNowMs() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

QString HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return QStringLiteral("localhost");
    return QString::fromLocal8Bit(name);
}

std::unique_ptr<EventStream> EventStream::Open(const std::string& target, std::string& problem) {
    if (target == "-") return std::make_unique<EventStream>(STDOUT_FILENO, false);
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        problem = "cannot write the event stream to " + target + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<EventStream>(fd, true);
}

QString NodeName() {
    for (const char* name : {"TORVANE_NODE", "SLURMD_NODENAME"}) {
        const QString value = qEnvironmentVariable(name).trimmed();
        if (!value.isEmpty()) return value;
    }
    return {};
}

QString NewRunId() {
    return QUuid::createUuid().toString(QUuid::Id128);
}

EventStream::EventStream(int fd, bool owned) : Host(HostName()), Node(NodeName()), fd_(fd), owned_(owned) {}

EventStream::~EventStream() {
    if (owned_) ::close(fd_);
}

bool EventStream::Emit(const char* event, QJsonObject fields) {
    fields.insert(QStringLiteral("v"), EventSchemaVersion);
    fields.insert(QStringLiteral("time"), Rfc3339Utc(Clock()));
    fields.insert(QStringLiteral("host"), Host);
    if (!Node.isEmpty()) fields.insert(QStringLiteral("node"), Node);
    if (!Run.isEmpty()) fields.insert(QStringLiteral("run"), Run);
    fields.insert(QStringLiteral("event"), QString::fromLatin1(event));
    const QByteArray line = QJsonDocument(fields).toJson(QJsonDocument::Compact);
    return WriteLine(std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
}

bool EventStream::WriteLine(std::string_view text) {
    std::string line(text);
    line += '\n';
    // One call for the whole line; the loop only continues what a pipe or a signal cut short.
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (problem_.empty()) problem_ = std::strerror(n < 0 ? errno : EIO);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace torvane::app
