// The engine of Quillon's own Word 97-2003 writer, which can always work.
#pragma once

#include "transcript/WordEngine.h"

namespace transcript {

class NativeWordEngine final : public WordEngine {
public:
    QString location() const override;
    std::unique_ptr<word::DocumentWriter> createWriter() override;
    QByteArray blankDocument() const override;
    QString printerProblem(const word::PrintTarget& target) const override;
    std::unique_ptr<QDialog> makePreview(const QString& path, QWidget* parent) override;
};

} // namespace transcript
