// The compound-file container around the document streams, through libgsf.
#include "DocWriter.h"

#include "GsfHandle.h"

#include "platform/DurableFile.h"

#include <gsf/gsf-doc-meta-data.h>
#include <gsf/gsf-meta-names.h>
#include <gsf/gsf-msole-utils.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

namespace word {

namespace {

bool writeStream(GsfOutfile* outfile, const char* name, const QByteArray& data) {
    GsfHandle<GsfOutput> child(gsf_outfile_new_child(outfile, name, FALSE));
    if (!child)
        return false;
    const bool written = gsf_output_write(child.get(), data.size(), reinterpret_cast<const guint8*>(data.constData()));
    return gsf_output_close(child.get()) && written;
}

// A property value owned by the metadata it is inserted into.
GValue* newValue(GType type) {
    GValue* value = g_new0(GValue, 1);
    g_value_init(value, type);
    return value;
}

// Summary information with an explicit code page, so that Windows reads the strings.
bool writeSummary(GsfOutfile* outfile, const QString& title) {
    GsfHandle<GsfDocMetaData> meta(gsf_doc_meta_data_new());
    GValue* codepage = newValue(G_TYPE_INT);
    g_value_set_int(codepage, 1200);
    gsf_doc_meta_data_insert(meta.get(), g_strdup(GSF_META_NAME_CODEPAGE), codepage);
    if (!title.isEmpty()) {
        GValue* value = newValue(G_TYPE_STRING);
        g_value_set_string(value, title.toUtf8().constData());
        gsf_doc_meta_data_insert(meta.get(), g_strdup(GSF_META_NAME_TITLE), value);
    }
    GsfHandle<GsfOutput> child(gsf_outfile_new_child(outfile, "\005SummaryInformation", FALSE));
    if (!child)
        return false;
    const bool written = gsf_doc_meta_data_write_to_msole(meta.get(), child.get(), FALSE);
    return gsf_output_close(child.get()) && written;
}

} // namespace

QByteArray writeDoc(const Document& document, QString* error) {
    const QByteArray bytes = packDocStreams(buildDocStreams(document), document.paragraphs.first().text().left(80));
    if (bytes.isEmpty() && error)
        *error = QStringLiteral("无法生成Word文档的文件结构。");
    return bytes;
}

QByteArray packDocStreams(const DocStreams& streams, const QString& title) {
    const std::lock_guard lock(gsfLock());
    gsf_init();
    GsfHandle<GsfOutput> sink(gsf_output_memory_new());
    GsfHandle<GsfOutfile> outfile(gsf_outfile_msole_new(sink.get()));
    bool ok = outfile && gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(outfile.get()), kWordDocumentClassId);
    ok = ok && writeStream(outfile.get(), "WordDocument", streams.wordDocument);
    ok = ok && writeStream(outfile.get(), "1Table", streams.table);
    ok = ok && writeStream(outfile.get(), "\001CompObj", streams.compObj);
    ok = ok && writeSummary(outfile.get(), title);
    // Closing the compound file also closes the memory sink.
    ok = outfile && gsf_output_close(GSF_OUTPUT(outfile.get())) && ok;
    if (!ok)
        return {};
    auto* memory = GSF_OUTPUT_MEMORY(sink.get());
    return QByteArray(reinterpret_cast<const char*>(gsf_output_memory_get_bytes(memory)),
                      qsizetype(gsf_output_size(sink.get())));
}

bool saveDoc(const Document& document, const QString& path, QString* error) {
    const QByteArray bytes = writeDoc(document, error);
    if (bytes.isEmpty())
        return false;
    if (const durable::Result r = durable::writeFile(path, bytes); !r) {
        if (error)
            *error = QStringLiteral("无法写入文件 <%1>：%2").arg(path, r.text());
        return false;
    }
    return true;
}

QByteArray blankDocumentBytes() {
    return writeDoc(blankDocument());
}

} // namespace word
