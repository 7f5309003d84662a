// Prints what Apache POI's HWPF reads from a .doc file: the section geometry, then one line per
// paragraph (justification, and where set an exact line height, the tab stops and a page break
// before it) and per run (bold, half-point size, underline code, text).
import java.io.FileInputStream;
import org.apache.poi.hwpf.HWPFDocument;
import org.apache.poi.hwpf.usermodel.CharacterRun;
import org.apache.poi.hwpf.usermodel.Paragraph;
import org.apache.poi.hwpf.usermodel.Range;
import org.apache.poi.hwpf.usermodel.Section;

public class HwpfDump {
    static String paragraphFormat(Paragraph p) {
        StringBuilder out = new StringBuilder();
        byte[] spacing = new byte[4];
        p.getLineSpacing().serialize(spacing, 0);
        int height = (short) ((spacing[0] & 0xFF) | (spacing[1] << 8));
        int multiple = (spacing[2] & 0xFF) | (spacing[3] << 8);
        if (height < 0 && multiple == 0)
            out.append(" line=").append(-height);
        // POI takes an added stop's kind from the byte after the positions' first byte, so only the
        // positions are listed; LibreOffice's docx shows the kinds.
        for (int position : p.getTabStopsPositions())
            out.append(" tab=").append(position);
        if (p.pageBreakBefore())
            out.append(" break");
        return out.toString();
    }

    public static void main(String[] args) throws Exception {
        try (FileInputStream in = new FileInputStream(args[0])) {
            HWPFDocument doc = new HWPFDocument(in);
            Range range = doc.getRange();
            Section s = range.getSection(0);
            System.out.println("SECTION " + s.getPageWidth() + " " + s.getPageHeight() + " " + s.getMarginTop() + " "
                + s.getMarginBottom() + " " + s.getMarginLeft() + " " + s.getMarginRight());
            for (int i = 0; i < range.numParagraphs(); i++) {
                Paragraph p = range.getParagraph(i);
                System.out.println("P " + p.getJustification() + paragraphFormat(p));
                for (int j = 0; j < p.numCharacterRuns(); j++) {
                    CharacterRun r = p.getCharacterRun(j);
                    String text = r.text().replace("\r", "\\r");
                    System.out.println("R " + (r.isBold() ? 1 : 0) + " " + r.getFontSize() + " " + r.getUnderlineCode() + " " + text);
                }
            }
        }
    }
}
