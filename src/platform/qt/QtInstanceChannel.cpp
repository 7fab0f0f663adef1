#include "platform/qt/QtInstanceChannel.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <QVariant>

namespace platform {
namespace {

constexpr int kHeader = 4;
// A connection that does not send its whole request in this time is dropped.
constexpr int kRequestMs = 5000;

QByteArray Frame(const std::string& message) {
    QByteArray out(kHeader, '\0');
    const auto n = static_cast<uint32_t>(message.size());
    for (int i = 0; i < kHeader; ++i)
        out[i] = static_cast<char>((n >> (8 * (kHeader - 1 - i))) & 0xFF);
    out.append(message.data(), static_cast<qsizetype>(message.size()));
    return out;
}

// Takes one whole message off the front of the buffer. False while it is incomplete; `bad` when
// its length is over the limit.
bool TakeMessage(QByteArray& buffer, size_t maxMessage, std::string& message, bool& bad) {
    bad = false;
    if (buffer.size() < kHeader) return false;
    uint32_t n = 0;
    for (int i = 0; i < kHeader; ++i) n = (n << 8) | static_cast<uint8_t>(buffer[i]);
    if (n > maxMessage) {
        bad = true;
        return false;
    }
    if (buffer.size() < kHeader + static_cast<qsizetype>(n)) return false;
    message.assign(buffer.constData() + kHeader, n);
    buffer.remove(0, kHeader + static_cast<qsizetype>(n));
    return true;
}

}  // namespace

InstanceChannelServer::InstanceChannelServer(std::string name, size_t maxMessage, Handler handler,
                                             QObject* parent)
    : QObject(parent),
      name_(std::move(name)),
      maxMessage_(maxMessage),
      handler_(std::move(handler)) {}

InstanceChannelServer::~InstanceChannelServer() {
    if (server_) server_->close();
}

std::string InstanceChannelServer::Listen() {
    if (server_ && server_->isListening()) return {};
    const QString name = QString::fromLocal8Bit(name_.c_str());
    if (!server_) {
        server_ = new QLocalServer(this);
        // Only the user's own programs may hand files over.
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server_, &QLocalServer::newConnection, this, &InstanceChannelServer::Accept);
    }
    // The lock is ours, so a socket there is what a killed instance left behind.
    QLocalServer::removeServer(name);
    if (server_->listen(name)) return {};
    return name_ + ": " + server_->errorString().toStdString();
}

void InstanceChannelServer::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        QTimer::singleShot(kRequestMs, socket, [socket] {
            if (!socket->property("kelda-request").toBool()) socket->abort();
        });
        Read(socket);
    }
}

void InstanceChannelServer::Read(QLocalSocket* socket) {
    if (socket->property("kelda-request").toBool()) {
        socket->readAll();  // one request a connection
        return;
    }
    QByteArray buffer = socket->property("kelda-buffer").toByteArray() + socket->readAll();
    std::string message;
    bool bad = false;
    if (!TakeMessage(buffer, maxMessage_, message, bad)) {
        if (bad)
            socket->abort();
        else
            socket->setProperty("kelda-buffer", buffer);
        return;
    }
    socket->setProperty("kelda-request", true);
    socket->setProperty("kelda-buffer", QByteArray());
    QPointer<QLocalSocket> peer(socket);
    handler_(message, [peer](const std::string& answer, bool last) {
        if (!peer || peer->state() != QLocalSocket::ConnectedState) return;
        peer->write(Frame(answer));
        peer->flush();
        if (last) peer->disconnectFromServer();
    });
}

ExchangeResult ExchangeWithInstance(const std::string& name, const std::string& message,
                                    size_t maxMessage, int connectMs, int firstAnswerMs,
                                    const std::function<bool(const std::string&)>& onAnswer) {
    QLocalSocket socket;
    const QString server = QString::fromLocal8Bit(name.c_str());
    QDeadlineTimer connectBy(connectMs);
    for (;;) {
        socket.connectToServer(server);
        if (socket.waitForConnected(qMax<qint64>(1, connectBy.remainingTime()))) break;
        if (connectBy.hasExpired()) return ExchangeResult::kNoServer;
        // The running program may not be listening yet: it takes the lock first.
        QThread::msleep(100);
    }
    socket.write(Frame(message));
    if (!socket.waitForBytesWritten(firstAnswerMs)) return ExchangeResult::kNoAnswer;
    QByteArray buffer;
    bool first = true;
    QDeadlineTimer firstBy(firstAnswerMs);
    for (;;) {
        std::string answer;
        bool bad = false;
        while (TakeMessage(buffer, maxMessage, answer, bad)) {
            first = false;
            if (onAnswer(answer)) return ExchangeResult::kDone;
        }
        if (bad) return ExchangeResult::kClosed;
        if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0)
            return first ? ExchangeResult::kNoAnswer : ExchangeResult::kClosed;
        const int wait = first ? static_cast<int>(qMax<qint64>(0, firstBy.remainingTime())) : -1;
        if (first && wait == 0) return ExchangeResult::kNoAnswer;
        if (!socket.waitForReadyRead(wait) && socket.bytesAvailable() == 0) {
            if (socket.state() != QLocalSocket::ConnectedState)
                return first ? ExchangeResult::kNoAnswer : ExchangeResult::kClosed;
            if (first) return ExchangeResult::kNoAnswer;
        }
        buffer += socket.readAll();
    }
}

}  // namespace platform
