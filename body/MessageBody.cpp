// The body rule shared by the viewers and the export ([MS-OXCMSG] 2.2.1.58:
// a message keeps its body as plain text, HTML or compressed RTF).
#include "body/MessageBody.h"

#include "body/RtfDecompress.h"
#include "body/RtfEncapsulation.h"
#include "body/RtfInterpreter.h"
#include "body/RtfToHtml.h"

namespace ostrel::body {

tmessagebody BodyFromRtf(const tbytes& rtfCompressed) {
    tmessagebody b;
    if (rtfCompressed.empty()) return b;
    trtfdecompressed raw = DecompressRtf(rtfCompressed);
    if (raw.Rtf.empty()) return b;
    b.RtfCrcMismatch = raw.CrcMismatch;
    b.RtfTruncated = raw.Status != RtfDecompressStatus::Ok;
    const trtfheader header = ReadRtfHeader(raw.Rtf);
    if (header.FromHtml) {
        b.Kind = BodyKind::Html;
        b.Source = BodySource::RtfHtml;
        b.Text = HtmlFromRtf(raw.Rtf);
    } else if (header.FromText) {
        b.Kind = BodyKind::Plain;
        b.Source = BodySource::RtfText;
        b.Text = TextFromRtf(raw.Rtf);
    } else {
        b.Kind = BodyKind::Html;
        b.Source = BodySource::RtfRendered;
        b.Text = HtmlOfRtf(raw.Rtf);
    }
    return b;
}

tmessagebody MessageBody(const tmailinfo* mail) {
    tmessagebody b;
    if (!mail) return b;
    if (mail->BodyHtml) {
        b.Kind = BodyKind::Html;
        b.Source = BodySource::HtmlProperty;
        b.Text = TextOf(mail->BodyHtml);
    } else if (mail->Body) {
        b.Kind = BodyKind::Plain;
        b.Source = BodySource::PlainProperty;
        b.Text = TextOf(mail->Body);
    } else {
        b = BodyFromRtf(mail->RtfCompressed);
    }
    return b;
}

} // namespace ostrel::body
