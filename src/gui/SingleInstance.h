#pragma once
// One window at a time: a later start of kelda hands the file it names to the running window
// over the local channel beside the instance lock, and the running window takes it as Open
// does, after coming to the front.
#include <memory>
#include <string>
#include <vector>

class TForm1;
class indMain;
namespace platform {
class InstanceChannelServer;
}

// A later start: hands the file named in the arguments (if any) to the running window, says on
// stderr why when it was not taken, and returns the exit status (kHandoffExit...).
int HandOverToRunningWindow(const std::vector<std::string>& arguments);

// The running window's end of the channel, for as long as it lives.
class HandoffListener {
  public:
    HandoffListener(TForm1& window, indMain& app);
    ~HandoffListener();
    HandoffListener(const HandoffListener&) = delete;
    HandoffListener& operator=(const HandoffListener&) = delete;
    // Empty when later starts can reach the window, else why not.
    std::string Listen();

  private:
    std::unique_ptr<platform::InstanceChannelServer> server_;
};
