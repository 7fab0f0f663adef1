#pragma once
// The local channel between a later start of the window program and the running one: a local
// socket beside the instance lock (a named pipe on Windows). Each connection carries one request
// and its answers, each a message of a 4-byte big-endian length and that many bytes. What the
// messages say is the application's business.
#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace platform {

// The running program's end.
class InstanceChannelServer : public QObject {
  public:
    // Sends one answer; the last one closes the connection. Does nothing once the other end has
    // gone.
    using Reply = std::function<void(const std::string& message, bool last)>;
    using Handler = std::function<void(const std::string& message, const Reply& reply)>;

    InstanceChannelServer(std::string name, size_t maxMessage, Handler handler,
                          QObject* parent = nullptr);
    ~InstanceChannelServer() override;

    // Starts listening; what a killed holder left behind is replaced, so only the holder of the
    // instance lock may call this. Empty when listening, else why not.
    std::string Listen();

  private:
    void Accept();
    void Read(QLocalSocket* socket);

    std::string name_;
    size_t maxMessage_;
    Handler handler_;
    QLocalServer* server_ = nullptr;
};

// A later start's end: connects (waiting up to connectMs while the running program may still be
// starting), sends the message and hands each answer to onAnswer until it returns true. The
// first answer must come within firstAnswerMs; after it the running program may take as long as
// the user needs.
enum class ExchangeResult {
    kDone,      // onAnswer took its last answer
    kNoServer,  // nothing listens at the name
    kNoAnswer,  // connected, but no answer came in time
    kClosed,    // the other end went away before the last answer
};
ExchangeResult ExchangeWithInstance(const std::string& name, const std::string& message,
                                    size_t maxMessage, int connectMs, int firstAnswerMs,
                                    const std::function<bool(const std::string&)>& onAnswer);

}  // namespace platform
