#pragma once
// A FIFO for the tests of readers that must refuse it.  A reader that opens
// it blocking would wait for a writer for ever: after a grace time the FIFO
// gets a writer that closes at once, so that such a reader comes back
// (with nothing read) and its test fails instead of hanging.
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace Fixtures {

class Fifo
{
public:
    explicit Fifo(int graceMs = 2000)
    {
        m_ok = ::mkfifo(QFile::encodeName(Path()).constData(), 0666) == 0;
        m_writer = std::thread([this, graceMs] {
            QElapsedTimer since;
            since.start();
            while (!m_done) {
                if (since.elapsed() >= graceMs) {
                    const int fd = ::open(QFile::encodeName(Path()).constData(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0)
                        ::close(fd); // a reader was waiting
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    ~Fifo()
    {
        m_done = true;
        m_writer.join();
    }
    bool Made() const { return m_ok; }
    QString Path() const { return m_dir.filePath(QStringLiteral("fifo.txt")); }

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
    std::atomic<bool> m_done{false};
    std::thread m_writer;
};

} // namespace Fixtures
