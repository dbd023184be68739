#include "tests/support/TestSupport.h"

#include "base/files/FilePaths.h"
#include "serial/ReceiveQ.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

TTempDir::TTempDir()
{
    std::random_device random;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path path = fs::temp_directory_path() /
                    ("vemu-test-" + std::to_string(stamp) + "-" + std::to_string(random() % 1000000));
    fs::create_directories(path);
    FPath = path.string();
    FPath += static_cast<char>(fs::path::preferred_separator);
}

TTempDir::~TTempDir()
{
    std::error_code ignored;
    fs::remove_all(FPath, ignored);
}

std::string ReadFileText(const std::string& Path)
{
    std::ifstream file(Path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFileText(const std::string& Path, const std::string& Text)
{
    std::ofstream file(Path, std::ios::binary | std::ios::trunc);
    file << Text;
}

void TRecordingTarget::Post(uint32_t Msg, uintptr_t WParam, intptr_t LParam)
{
    std::lock_guard<std::mutex> lock(FMutex);
    FMessages.push_back({Msg, WParam, LParam});
}

std::vector<TPostedMessage> TRecordingTarget::Messages()
{
    std::lock_guard<std::mutex> lock(FMutex);
    return FMessages;
}

void TRecordingTarget::Clear()
{
    std::lock_guard<std::mutex> lock(FMutex);
    FMessages.clear();
}

TEveryDriveLocal::TEveryDriveLocal() : FSeam(SetDriveKindSource, [](char) { return TDriveKind::Local; }) {}

namespace {
std::atomic<uint32_t> FakeTicks{0};
uint32_t ReadFakeTicks() { return FakeTicks.load(); }
} // namespace

TFakeClock::TFakeClock(uint32_t Start)
{
    FakeTicks = Start;
    SetTickSource(ReadFakeTicks);
}

TFakeClock::~TFakeClock() { SetTickSource(nullptr); }
void TFakeClock::Set(uint32_t Ticks) { FakeTicks = Ticks; }
void TFakeClock::Advance(uint32_t Ms) { FakeTicks += Ms; }

TSettingsRecords TTestEnvironment::QuickSettings()
{
    TSettingsRecords settings;
    settings.Typing.Wait = -1;
    return settings;
}

TTestEnvironment::TTestEnvironment(uint32_t LogEvents)
{
    TLogSettings log;
    log.LogEvents = LogEvents;
    log.ViewMax = 999;
    // The scratch folder is the user's profile as well as the program's.
    FLoggers = std::make_unique<TLoggers>(log, Dir.Path(), TUserFolders{Dir.Path(), Dir.Path(), ""});
    FLoggers->SetHost(&Events);
}

TTestEnvironment::~TTestEnvironment() { FLoggers.reset(); }

TEngineSetup TTestEnvironment::Setup() const
{
    TEngineSetup setup;
    setup.Port = Settings.Port;
    setup.Typing = Settings.Typing;
    setup.NamedEvents = false;
    return setup;
}

std::vector<std::string> TTestEnvironment::TakeLines()
{
    // Lines the file sinks' threads have to say (a refused file) first; a
    // sink still busy then shows in what the test expects.
    FLoggers->WaitWritten(5000);
    std::vector<std::string> lines;
    std::string line;
    while (FLoggers->View().FetchLine(line))
        lines.push_back(line);
    return lines;
}

std::vector<std::string> TTestEnvironment::TakeUnstampedLines()
{
    std::vector<std::string> lines = TakeLines();
    for (std::string& line : lines)
        line = WithoutStamp(line);
    return lines;
}

std::string WithoutStamp(const std::string& Line)
{
    // "  000001234 Text" or "? 000001234 Text"
    if (Line.size() >= 12 && Line[1] == ' ' && Line[11] == ' ' &&
        Line.substr(2, 9).find_first_not_of("0123456789") == std::string::npos)
        return Line.substr(0, 2) + "#" + Line.substr(11);
    return Line;
}

void AddChunk(TReceiveQueue& Queue, const std::string& Bytes) { Queue.AddBytes(Bytes.data(), Bytes.size()); }

bool WaitUntil(const std::function<bool()>& Condition, uint32_t TimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!Condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        SleepMs(1);
    }
    return true;
}

std::vector<std::string> SettingsLeftovers(const TTempDir& Dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Dir.Path()))
        if (entry.path().filename() != "vemuKeys.set" &&
            !(entry.path().filename() == "vemuKeys.set.journal" && fs::file_size(entry) == 0))
            names.push_back(entry.path().filename().string());
    return names;
}

std::string AdapterInSocket(int Socket) { return "USB\\VID_1234&PID_5678\\5&2A5C9B4&0&" + std::to_string(Socket); }
