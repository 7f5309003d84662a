// The program_driver child on a program directory: the real program in a process of its own, what
// it started read from the lines it prints, and signals to end it.
#pragma once

#include <QElapsedTimer>
#include <QMultiMap>
#include <QProcess>
#include <QStringList>

#include <csignal>

class Child {
public:
    // environment: entries that replace the defaults (test sources for sound and pictures); prefix: a
    // command the driver runs under, e.g. {"setpriv", "--reuid=nobody", ...} to run it as another user.
    Child(const QString& programDir, const QStringList& actions, const QProcessEnvironment& environment = {},
          const QStringList& prefix = {}) {
        QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
        all.insert("QUILLON_HOME", programDir);
        all.insert("QUILLON_AUDIO_SOURCE", "audiotestsrc is-live=true freq=1000");
        all.insert("QUILLON_VIDEO_SOURCE",
                   "videotestsrc is-live=true ! video/x-raw,width=320,height=240,framerate=15/1");
        all.insert("QT_QPA_PLATFORM", "offscreen");
        for (const QString& key : environment.keys())
            all.insert(key, environment.value(key));
        m_process.setProcessEnvironment(all);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QString driver = qEnvironmentVariable("QUILLON_BINARY_DIR") + "/tests/bin/program_driver";
        if (prefix.isEmpty())
            m_process.start(driver, actions);
        else
            m_process.start(prefix.first(), prefix.mid(1) + QStringList{driver} + actions);
        m_clock.start();
    }
    ~Child() {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(pid_t(m_process.processId()), SIGKILL);
            m_process.waitForFinished(5000);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The lines up to READY (or the given last line), keyed by their first word, with the time each came.
    bool waitUntilReady(const QString& last = "READY") {
        while (m_clock.elapsed() < 30000) {
            while (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
                if (line == last)
                    return true;
                const qsizetype space = line.indexOf(' ');
                m_said.insert(line.left(space), line.mid(space + 1));
                m_saidAt.insert(line.left(space), m_clock.elapsed());
            }
            if (!m_process.waitForReadyRead(1000) && m_process.state() == QProcess::NotRunning)
                return false;
        }
        return false;
    }
    QString said(const QString& word) const { return m_said.value(word); }
    // Seconds from the line that said word (printed as soon as that thing had started) to now.
    double secondsSince(const QString& word) const { return (m_clock.elapsed() - m_saidAt.value(word)) / 1000.0; }
    QStringList dialogs() const { return m_said.values("DIALOG"); }

    void signal(int number) { ::kill(pid_t(m_process.processId()), number); }
    bool waitForEnd() { return m_process.waitForFinished(15000); }
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
    QElapsedTimer m_clock;
    QMultiMap<QString, QString> m_said;
    QMap<QString, qint64> m_saidAt;
};
