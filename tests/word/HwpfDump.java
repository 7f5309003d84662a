// Prints what Apache POI's HWPF reads from a .doc file: the section geometry, then one line per
// paragraph (justification) and per run (bold, half-point size, underline code, text).
import java.io.FileInputStream;
import org.apache.poi.hwpf.HWPFDocument;
import org.apache.poi.hwpf.usermodel.CharacterRun;
import org.apache.poi.hwpf.usermodel.Paragraph;
import org.apache.poi.hwpf.usermodel.Range;
import org.apache.poi.hwpf.usermodel.Section;

public class HwpfDump {
    public static void main(String[] args) throws Exception {
        try (FileInputStream in = new FileInputStream(args[0])) {
            HWPFDocument doc = new HWPFDocument(in);
            Range range = doc.getRange();
            Section s = range.getSection(0);
            System.out.println("SECTION " + s.getPageWidth() + " " + s.getPageHeight() + " " + s.getMarginTop() + " "
                + s.getMarginBottom() + " " + s.getMarginLeft() + " " + s.getMarginRight());
            for (int i = 0; i < range.numParagraphs(); i++) {
                Paragraph p = range.getParagraph(i);
                System.out.println("P " + p.getJustification());
                for (int j = 0; j < p.numCharacterRuns(); j++) {
                    CharacterRun r = p.getCharacterRun(j);
                    String text = r.text().replace("\r", "\\r");
                    System.out.println("R " + (r.isBold() ? 1 : 0) + " " + r.getFontSize() + " " + r.getUnderlineCode() + " " + text);
                }
            }
        }
    }
}
