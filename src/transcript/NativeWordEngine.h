// The engine of Quillon's own Word 97-2003 writer, which can always work; it prints where it is
// given a page renderer.
#pragma once

#include "transcript/WordEngine.h"

namespace word {
class PageRenderer;
}

namespace transcript {

class NativeWordEngine final : public WordEngine {
public:
    // Without pages the engine composes, saves and reads, and says that it cannot print.
    explicit NativeWordEngine(const word::PageRenderer* pages = nullptr) : m_pages(pages) {}

    QString location() const override;
    std::unique_ptr<word::DocumentWriter> createWriter() override;
    QByteArray blankDocument() const override;
    QString printerProblem(const word::PrintTarget& target) const override;
    std::shared_ptr<QDialog> makePreview(const QString& path, QWidget* parent) override;

private:
    const word::PageRenderer* m_pages;
};

} // namespace transcript
