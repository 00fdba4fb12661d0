// Composing one .eml file from a message object, and writing it: attachments
// the HTML shows in place go with it into a multipart/related (RFC 2387),
// embedded messages become message/rfc822 parts (RFC 2046 5.2.1) holding a
// whole message each, down to the engine's embedding depth.
#include "export/EmlMessage.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "body/MessageBody.h"
#include "engine/messaging/EmbeddedMessage.h"
#include "engine/messaging/FileTime.h"
#include "engine/messaging/Subject.h"
#include "export/AttachmentTypes.h"
#include "export/Charsets.h"
#include "export/HtmlReferences.h"
#include "export/MailAddress.h"
#include "export/MessageIds.h"
#include "export/MimeWriter.h"
#include "export/TransportHeaders.h"

namespace {

// Longer lines are not 8bit text (RFC 2045 2.8); such a body goes out as
// quoted-printable instead.
constexpr size_t kLongest8bitLine = 998;
// Identity values longer than this, or with more identifiers, are damage.
constexpr size_t kMaxIdentityBytes = 16u << 10;
constexpr size_t kMaxReferences = 1000;

const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::optional<std::string> FormatDate(std::time_t seconds) {
    std::tm t{};
    if (!localtime_r(&seconds, &t) || t.tm_year + 1900 < 1900 || t.tm_year + 1900 > 9999)
        return std::nullopt;
    long offset = t.tm_gmtoff / 60;
    char sign = offset < 0 ? '-' : '+';
    if (offset < 0) offset = -offset;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s, %d %s %d %02d:%02d:%02d %c%02ld%02ld",
                  kDays[t.tm_wday % 7], t.tm_mday, kMonths[t.tm_mon % 12], t.tm_year + 1900,
                  t.tm_hour, t.tm_min, t.tm_sec, sign, offset / 60, offset % 60);
    return std::string(buffer);
}

// Whether a line of `text` is longer than an 8bit part may carry.
bool HasTooLongLine(std::string_view text) {
    bool tooLong = false;
    mime::ForEachLine(text, [&](std::string_view line, bool) {
        tooLong = tooLong || line.size() > kLongest8bitLine;
    });
    return tooLong;
}

// Appends `text` with each line break (CR LF, LF or CR) as CR LF.
void AppendCrLfLines(std::string& out, std::string_view text) {
    mime::ForEachLine(text, [&](std::string_view line, bool more) {
        out += line;
        if (more) out += "\r\n";
    });
}

void AddHeader(std::string& out, const std::string& folded) {
    if (!folded.empty()) out += folded + "\r\n";
}

std::string AddressHeader(const char* name, const std::vector<tmailaddress>& entries,
                          const tmailinfo* mail) {
    auto charsetOf = [mail](std::string_view text) { return HeaderTextCharset(mail, text); };
    std::vector<std::string> tokens = AddressListTokens(entries, charsetOf);
    return tokens.empty() ? std::string() : mime::FoldedHeader(name, tokens);
}

std::vector<tmailaddress> DisplayListEntries(const ttext& value) {
    std::vector<tmailaddress> entries;
    for (const std::string& e : SplitDisplayList(TextOf(value)))
        entries.push_back(ParseAddressEntry(e));
    return entries;
}

// The people of one recipient type in the recipient table, in table order.
std::vector<tmailaddress> TableEntries(const trecipienttable& table, int32_t type) {
    std::vector<tmailaddress> entries;
    for (const trecipient& r : table.Rows)
        if (r.Type == type) entries.push_back({r.DisplayName, SmtpAddressOf(r)});
    return entries;
}

std::string AddressOf(const ttext& smtp, const ttext& address, const ttext& type) {
    return PersonAddress(TextOf(smtp), TextOf(address), TextOf(type));
}

std::string FirstNonEmpty(const std::string& a, const std::string& b) {
    return a.empty() ? b : a;
}

// The sent-representing person (who the mail is from) and the sender (who
// sent it for them); each falls back on the other.
tmailaddress FromPerson(const tmailinfo& mail) {
    std::string sender =
        AddressOf(mail.SenderSmtpAddress, mail.SenderEmail, mail.SenderAddressType);
    std::string represented =
        AddressOf(mail.SentRepresentingSmtpAddress, mail.SentRepresentingEmail,
                  mail.SentRepresentingAddressType);
    return {FirstNonEmpty(TextOf(mail.SentRepresentingName), TextOf(mail.SenderName)),
            FirstNonEmpty(represented, sender)};
}

tmailaddress SenderPerson(const tmailinfo& mail) {
    tmailaddress from = FromPerson(mail);
    std::string sender =
        AddressOf(mail.SenderSmtpAddress, mail.SenderEmail, mail.SenderAddressType);
    return {FirstNonEmpty(TextOf(mail.SenderName), from.Name), FirstNonEmpty(sender, from.Address)};
}

// Message-ID, In-Reply-To, References ([MS-OXOMSG] 2.2.1.25 to 2.2.1.27,
// RFC 5322 3.6.4). An identifier that is no msg-id is left out rather than
// written broken; Message-ID names one message.
std::string IdentityHeader(const char* name, const ttext& value, size_t most) {
    std::string text = TextOf(value);
    if (text.size() > kMaxIdentityBytes) return {};
    std::vector<std::string> ids = MsgIdTokens(text, kMaxReferences);
    if (ids.empty() || ids.size() > most) return {};
    return mime::FoldedHeader(name, ids);
}

// The header value of a multipart/related around the text alternative.
std::string RelatedType(const std::string& boundary) {
    return "multipart/related; type=\"multipart/alternative\"; boundary=\"" + boundary + "\"";
}

// The header of a message: the fields of its original transport headers the
// export does not write itself (Received, List-*, X-*, ...), then its own.
std::string TopHeaders(const tpstmessage& m, const std::string& contentType,
                       const temlsource& source) {
    const tmailinfo* mail = m.MailInfo.get();
    std::string out;
    std::vector<tmailaddress> from, sender;
    std::string subject = SubjectText(m);
    if (mail) from.push_back(FromPerson(*mail));
    if (mail) sender.push_back(SenderPerson(*mail));
    AddHeader(out, AddressHeader("From", from, mail));
    AddHeader(out, mime::UnstructuredHeader("Subject", subject, HeaderTextCharset(mail, subject)));
    const trecipienttable* table = source.Recipients;
    if (table && table->State == trecipientstate::Read) {
        AddHeader(out, AddressHeader("To", TableEntries(*table, kRecipientTo), mail));
        AddHeader(out, AddressHeader("Cc", TableEntries(*table, kRecipientCc), mail));
        AddHeader(out, AddressHeader("Bcc", TableEntries(*table, kRecipientBcc), mail));
    } else if (mail) {
        AddHeader(out, AddressHeader("To", DisplayListEntries(mail->DisplayTo), mail));
        AddHeader(out, AddressHeader("Cc", DisplayListEntries(mail->DisplayCc), mail));
        AddHeader(out, AddressHeader("Bcc", DisplayListEntries(mail->DisplayBcc), mail));
    }
    out += "Content-Type: " + contentType + "\r\n";
    out += "MIME-Version: 1.0\r\n";
    AddHeader(out, AddressHeader("Sender", sender, mail));
    out += "Date: " + EmlDate(m) + "\r\n";
    if (mail) {
        AddHeader(out, IdentityHeader("Message-ID", mail->InternetMessageId, 1));
        AddHeader(out, IdentityHeader("In-Reply-To", mail->InReplyToId, kMaxReferences));
        AddHeader(out, IdentityHeader("References", mail->InternetReferences, kMaxReferences));
        if (mail->TransportHeaders)
            out = MergedTransportFields(TextOf(mail->TransportHeaders), out) + out;
    }
    return out;
}

// Appends "--boundary" and a text part of the alternative: headers, empty
// line, body and a line break. Bodies run to megabytes: they are appended in
// place, never through a copy of their own.
void AppendTextPart(std::string& out, const std::string& boundary, const char* type,
                    std::string_view body, const std::string& charset, bool html) {
    out += "--" + boundary + "\r\n";
    out += std::string("Content-Type: ") + type + " ; charset=\"" + charset + "\"\r\n";
    // HTML is always quoted; text only where a line is too long for 8bit.
    const bool quoted = html || HasTooLongLine(body);
    out += std::string("Content-Transfer-Encoding: ") + (quoted ? "quoted-printable" : "8bit");
    out += "\r\n\r\n";
    if (quoted)
        mime::AppendQuotedPrintable(out, body);
    else
        AppendCrLfLines(out, body);
    out += "\r\n";
}

// Part A with parts B and C. Without either body it holds an empty text
// part: a multipart with no part at all is malformed (RFC 2046 5.1.1).
std::string AlternativePart(const tmailinfo* mail, const std::string& boundary) {
    std::string out =
        "Content-Type: multipart/alternative;\r\n        boundary=\"" + boundary + "\"\r\n\r\n";
    bool any = false;
    if (mail && mail->Body) {
        AppendTextPart(out, boundary, "text/plain", TextOf(mail->Body),
                       BodyCharset(mail, mail->BodyWasUnicode, TextOf(mail->Body)), false);
        any = true;
    }
    if (mail && mail->BodyHtml) {
        AppendTextPart(out, boundary, "text/html", TextOf(mail->BodyHtml),
                       BodyCharset(mail, mail->HtmlWasUnicode, TextOf(mail->BodyHtml)), true);
        any = true;
    }
    // Without either, the body that the compressed RTF holds, in UTF-8.
    if (!any && mail) {
        ostrel::body::tmessagebody rtf = ostrel::body::BodyFromRtf(mail->RtfCompressed);
        if (rtf.Kind != ostrel::body::BodyKind::None) {
            const bool html = rtf.Kind == ostrel::body::BodyKind::Html;
            AppendTextPart(out, boundary, html ? "text/html" : "text/plain", rtf.Text, "utf-8",
                           html);
            any = true;
        }
    }
    if (!any) AppendTextPart(out, boundary, "text/plain", "", "us-ascii", false);
    out += "--" + boundary + "--";
    return out;
}

// A file name parameter: quoted when it is short plain ASCII, else in the
// extended form of RFC 2231 (percent-encoded, in sections of one line each).
std::string NameParameter(const char* key, std::string_view name, const std::string& charset) {
    const std::string indent = "\r\n        ";
    if (mime::IsPlainHeaderText(name) && name.size() <= 60) {
        std::string quoted;
        for (char c : name) {
            if (c == '"' || c == '\\') quoted += '\\';
            quoted += c;
        }
        return indent + key + "=\"" + quoted + "\"";
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::vector<std::string> sections(1);
    for (size_t i = 0; i < name.size();) {
        size_t n = CharLength(charset, name, i);
        std::string piece;
        for (size_t k = 0; k < n; ++k) {
            unsigned char c = name[i + k];
            if (std::isalnum(c) || std::strchr("!#$&+-.^_`|~", c))
                piece += char(c);
            else
                piece += {'%', kHex[c >> 4], kHex[c & 0xF]};
        }
        if (sections.back().size() + piece.size() > 48) sections.emplace_back();
        sections.back() += piece;
        i += n;
    }
    std::string out;
    for (size_t s = 0; s < sections.size(); ++s) {
        out += (s ? ";" : "") + indent + key + "*" + std::to_string(s) + "*=";
        if (s == 0) out += charset + "''";
        out += sections[s];
    }
    return out;
}

// A type whose body may only be 7bit, 8bit or binary (RFC 2046 5.1, 5.2):
// attachment bytes go out as base64, so such a part is declared as bytes.
bool IsCompositeType(const std::string& type) {
    return type.rfind("multipart/", 0) == 0 || type.rfind("message/", 0) == 0;
}

std::string AttachmentPart(const tattachment& a, const tmailinfo* mail, bool shownInline) {
    std::string name =
        mime::WithoutControls(a.LongFileName ? TextOf(a.LongFileName) : TextOf(a.FileName));
    std::string nameCharset = HeaderTextCharset(mail, name);
    size_t size = std::min<size_t>(a.DataSize, a.Data->size());
    std::string type = AttachmentMimeType(a);
    if (IsCompositeType(type)) type = std::string(kDefaultMimeType);
    std::string out =
        "Content-Type: " + type + ";" + NameParameter("name", name, nameCharset) + "\r\n";
    out += "Content-Transfer-Encoding: base64\r\n";
    std::string id = ContentIdToken(a);
    if (!id.empty()) out += "Content-ID: <" + id + ">\r\n";
    out += std::string("Content-Disposition: ") + (shownInline ? "inline;" : "attachment;") +
           NameParameter("filename", name, nameCharset);
    out += "\r\n\r\n";
    mime::AppendBase64(out, std::string_view(*a.Data).substr(0, size));
    return out;
}

std::string ComposeParts(const tpstmessage& m, std::mt19937& random, const temlsource& source);

// The file name of an embedded message: the attachment's own, else its subject.
std::string EmbeddedName(const tattachment& a, const tpstmessage& nested) {
    std::string name = a.LongFileName ? TextOf(a.LongFileName) : TextOf(a.FileName);
    if (name.empty()) name = SubjectText(nested);
    if (name.empty()) name = "message";
    return mime::WithoutControls(name) + ".eml";
}

// The embedded message as a whole message, or nullopt when it cannot be built
// (unreadable, or nested deeper than the engine opens).
std::optional<std::string> EmbeddedPart(const tattachment& a, const tmailinfo* mail,
                                        std::mt19937& random, const temlsource& source) {
    std::unique_ptr<tpstmessage> nested;
    if (!source.File ||
        BuildEmbeddedMessage(source.File, a, source.Depth, nested) != tembedresult::Built)
        return std::nullopt;
    std::string name = EmbeddedName(a, *nested);
    // The nested message's lines are at most 998 bytes: 8bit is its encoding.
    std::string out = "Content-Type: message/rfc822\r\nContent-Transfer-Encoding: 8bit\r\n";
    out += "Content-Disposition: attachment;" +
           NameParameter("filename", name, HeaderTextCharset(mail, name)) + "\r\n\r\n";
    trecipienttable recipients = ReadEmbeddedRecipientTable(source.File, a);
    temlsource inner{source.File, source.Depth + 1, &recipients};
    out += ComposeParts(*nested, random, inner);
    return out;
}

// One attachment's part; nullopt when there is nothing to write.
std::optional<std::string> PartOf(const tattachment& a, const tmailinfo* mail, bool shownInline,
                                  std::mt19937& random, const temlsource& source) {
    if (IsEmbeddedMessage(a))
        if (auto part = EmbeddedPart(a, mail, random, source)) return part;
    if (!a.Data) return std::nullopt;
    return AttachmentPart(a, mail, shownInline);
}

// The elements that become parts: those with data, and embedded messages.
std::vector<const tattachment*> ExportedAttachments(const tpstmessage& m) {
    std::vector<const tattachment*> out;
    for (const tattachment* a = m.Attachments.get(); a; a = a->Next.get())
        if (a->Data || IsEmbeddedMessage(*a)) out.push_back(a);
    return out;
}

void AddParts(std::string& out, const std::string& boundary,
              const std::vector<const tattachment*>& parts, const std::vector<bool>& shown,
              bool shownInline, const tpstmessage& m, std::mt19937& random,
              const temlsource& source) {
    for (size_t i = 0; i < parts.size(); ++i) {
        if (shown[i] != shownInline) continue;
        if (auto part = PartOf(*parts[i], m.MailInfo.get(), shownInline, random, source))
            out += "--" + boundary + "\r\n" + *part + "\r\n";
    }
}

constexpr const char* kPreamble = "\r\nThis is a multi-part message in MIME format\r\n";

// Headers and parts up to the closing boundary line. Without pictures in the
// HTML: related{alternative, attachments}. With them:
// mixed{related{alternative, pictures}, other attachments}.
std::string ComposeParts(const tpstmessage& m, std::mt19937& random, const temlsource& source) {
    const tmailinfo* mail = m.MailInfo.get();
    std::vector<const tattachment*> parts = ExportedAttachments(m);
    std::string html = mail ? TextOf(mail->BodyHtml) : std::string();
    std::vector<bool> shown = ReferencedAttachments(html, parts);
    std::vector<bool> none(parts.size(), false);
    if (std::find(shown.begin(), shown.end(), true) == shown.end()) {
        std::string outer = mime::Boundary(random);
        std::string inner = mime::Boundary(random);
        std::string out = TopHeaders(m, RelatedType(outer), source) + kPreamble;
        out += "--" + outer + "\r\n" + AlternativePart(mail, inner) + "\r\n";
        AddParts(out, outer, parts, none, false, m, random, source);
        return out + "--" + outer + "--\r\n";
    }
    std::string mixed = mime::Boundary(random);
    std::string related = mime::Boundary(random);
    std::string inner = mime::Boundary(random);
    std::string out =
        TopHeaders(m, "multipart/mixed; boundary=\"" + mixed + "\"", source) + kPreamble;
    out += "--" + mixed + "\r\n";
    out += "Content-Type: multipart/related; type=\"multipart/alternative\";\r\n        "
           "boundary=\"" +
           related + "\"\r\n\r\n";
    out += "--" + related + "\r\n" + AlternativePart(mail, inner) + "\r\n";
    AddParts(out, related, parts, shown, true, m, random, source);
    out += "--" + related + "--\r\n";
    AddParts(out, mixed, parts, shown, false, m, random, source);
    return out + "--" + mixed + "--\r\n";
}

} // namespace

std::time_t EmlDateSeconds(const tpstmessage& m) {
    const tmailinfo* mail = m.MailInfo.get();
    for (const tbytes* t :
         {mail ? &mail->ClientSubmitTime : nullptr, mail ? &mail->DeliveryTime : nullptr,
          &m.LastModificationTime, &m.CreationTime}) {
        if (!t) continue;
        std::optional<std::time_t> seconds = FileTimeToUnixTime(*t);
        if (seconds && FormatDate(*seconds)) return *seconds;
    }
    return std::time(nullptr);
}

std::string EmlDate(const tpstmessage& m) {
    return FormatDate(EmlDateSeconds(m)).value_or("Thu, 1 Jan 1970 00:00:00 +0000");
}

std::string ComposeEml(const tpstmessage& message, std::mt19937& random, temlsource source) {
    // The final "." lies in the epilogue, which readers ignore.
    return ComposeParts(message, random, source) + ".\r\n";
}

int32_t WriteEmbeddedEml(tpstfile* file, const tattachment& attachment, int depth,
                         const std::string& path, std::string* error) {
    std::unique_ptr<tpstmessage> nested;
    tembedresult result = BuildEmbeddedMessage(file, attachment, depth, nested);
    if (result == tembedresult::Built) {
        trecipienttable recipients = ReadEmbeddedRecipientTable(file, attachment);
        return WriteEmlFile(*nested, path, error, {file, depth + 1, &recipients});
    }
    if (error) {
        *error = result == tembedresult::NotEmbedded ? "the attachment holds no message"
                 : result == tembedresult::TooDeep   ? "the message is nested too deep"
                                                     : "the attached message cannot be read";
    }
    return -1;
}

std::string RecoveredHeaderField(bool recovered) {
    return recovered ? "X-Recovered: yes\r\n" : "";
}

int32_t WriteEmlFile(const tpstmessage& message, const std::string& path, std::string* error,
                     temlsource source) {
    return WriteEmlFile(message, path, "", error, source);
}

std::string ComposeEmlText(const tpstmessage& message, const std::string& leadingFields,
                           temlsource source) {
    // Boundaries are random; one generator serves every message of the thread.
    thread_local std::mt19937 random{std::random_device{}()};
    return leadingFields + ComposeEml(message, random, source);
}

int32_t WriteTextFile(const std::string& path, const std::string& text, std::string* error) {
    // Never through a link: what is written stays where the name says.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    int saved = errno;
    bool ok = fd >= 0;
    for (size_t done = 0; ok && done < text.size();) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            saved = errno;
            ok = false;
        } else {
            done += size_t(n);
        }
    }
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        saved = errno;
        ok = false;
    }
    if (ok) return 0;
    if (error) *error = "cannot write " + path + ": " + std::strerror(saved);
    return -1;
}

int32_t WriteEmlFile(const tpstmessage& message, const std::string& path,
                     const std::string& leadingFields, std::string* error, temlsource source) {
    return WriteTextFile(path, ComposeEmlText(message, leadingFields, source), error);
}
