// The in-memory PDF writer's setup.
#include "MemoryPdf.h"

#include <QPageLayout>

namespace word {

MemoryPdf::MemoryPdf(const QString& title) : m_writer(&m_buffer) {
    m_buffer.open(QIODevice::WriteOnly);
    m_writer.setResolution(1200);
    m_writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    m_writer.setTitle(title);
}

} // namespace word
