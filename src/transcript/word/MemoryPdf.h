// A PDF of A4 pages made in memory, the way every page the program exports is made.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QPdfWriter>
#include <QString>

namespace word {

// Qt's PDF engine ignores write errors on a file, so a PDF is made into memory and written through
// the durable path, which reports them. Full-page A4 portrait without margins at 1200 dpi: pages are
// painted from the paper's corner.
class MemoryPdf {
public:
    explicit MemoryPdf(const QString& title);
    MemoryPdf(const MemoryPdf&) = delete;
    MemoryPdf& operator=(const MemoryPdf&) = delete;

    QPdfWriter& writer() { return m_writer; }
    // The file's bytes once the painter on writer() has ended.
    const QByteArray& bytes() const { return m_buffer.data(); }

private:
    QBuffer m_buffer;
    QPdfWriter m_writer;
};

} // namespace word
