// With no print system to reach (CUPS_SERVER points nowhere, set by CTest), printing on the default
// printer says so instead of silently producing nothing.
#include "NativeDocumentWriter.h"
#include "Printing.h"

#include <gtest/gtest.h>

using namespace word;

namespace {

TEST(NoPrinter, printingOnTheDefaultPrinterReportsThatThereIsNone) {
    ASSERT_EQ(qgetenv("CUPS_SERVER"), "/nonexistent/cups.sock");
    QString error;
    EXPECT_FALSE(printDocument(blankDocument(), PrintTarget{}, &error));
    EXPECT_EQ(error, QStringLiteral("没有可用的打印机，请先安装并设置默认打印机。"));
}

} // namespace
