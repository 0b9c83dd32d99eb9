#include "terminal/EventStream.h"

#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/StopRequest.h"

#include <QJsonDocument>
#include <QUuid>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
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

namespace {

// Cuts fd back to just after its last newline, reading through readable; size is the file's size.
std::int64_t CutTornEnd(int fd, int readable, off_t size) {
    // Backwards from the end, a piece at a time, to the last newline: a torn line can be long.
    char buf[4096];
    off_t end = size;
    while (end > 0) {
        const off_t from = end > static_cast<off_t>(sizeof buf) ? end - static_cast<off_t>(sizeof buf) : 0;
        const ssize_t n = ::pread(readable, buf, static_cast<std::size_t>(end - from), from);
        if (n < 0 && errno == EINTR) continue;
        if (n != end - from) {
            if (n >= 0) errno = EIO;
            return -1;
        }
        off_t at = end;
        while (at > from && buf[at - 1 - from] != '\n') --at;
        if (at > from || from == 0) {
            if (at == size) return 0;
            if (::ftruncate(fd, at) != 0) return -1;
            return size - at;
        }
        end = from;
    }
    return 0;
}

} // namespace

std::unique_ptr<EventStream> EventStream::Open(const std::string& target, std::string& problem) {
    if (target == "-") return std::make_unique<EventStream>(STDOUT_FILENO, false);
    int fd = -1;
    try {
        fd = OpenOutputInPlace(target, true);
    } catch (const EFileError& e) {
        problem = "cannot write the event stream to " + target + ": " + e.Reason();
        return nullptr;
    }
    auto stream = std::make_unique<EventStream>(fd, true);
    stream->waitsForRoom_ = true;
    const std::int64_t cut = CutTornLastLine(fd);
    if (cut < 0) {
        problem = "cannot write the event stream to " + target + ": " + std::strerror(errno);
        return nullptr;
    }
    if (cut > 0)
        stream->notice_ = "the event file " + target + " ended in a line cut short (" + std::to_string(cut) +
                          " bytes, from a run that was killed); they were removed before the new lines";
    return stream;
}

std::int64_t CutTornLastLine(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return -1;
    if (!S_ISREG(st.st_mode) || st.st_size == 0) return 0;
    // A stream is opened for writing only; its end is read through a descriptor of its own. A file the
    // user may write but not read keeps its end as it is.
    int readable = fd;
    if ((::fcntl(fd, F_GETFL) & O_ACCMODE) == O_WRONLY) {
        readable = ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC);
        if (readable < 0) return 0;
    }
    const std::int64_t cut = CutTornEnd(fd, readable, st.st_size);
    if (readable != fd) {
        const int saved = errno;
        ::close(readable);
        errno = saved;
    }
    return cut;
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
    if (torn_) return false;
    std::string line(text);
    line += '\n';
    // One call for the whole line; the loop only continues what a pipe or a signal cut short.
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        // A FIFO whose reader is slow is waited for, as long as the program goes on.
        if (n < 0 && errno == EAGAIN && waitsForRoom_ && WaitUntilWritable(fd_)) continue;
        if (n <= 0) {
            if (problem_.empty())
                problem_ = n < 0 && errno == EAGAIN
                               ? "nothing read the events before the program was asked to stop"
                               : std::strerror(n < 0 ? errno : EIO);
            // The piece that went out ends the stream: a line after it would leave it torn in the middle.
            if (done > 0) torn_ = true;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace torvane::app
