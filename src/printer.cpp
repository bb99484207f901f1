// The printer. tinyxml2's own printer indents inside every element but one
// that holds text, and there only up to the end tag of the first child that
// held text; it puts every comment and processing instruction on a line of
// its own. Inside an element written as read, this one adds nothing: no line
// end, no indentation; the white space that was read is printed as text.
//
// tinyxml2's printer hands the stream every piece on its own, a name, a
// quote, four blanks of indentation: a call to fwrite or fputc each, which
// takes the stream's lock and copies, a third of a big document's run. This
// one gathers the pieces in a buffer of its own and hands the stream whole
// blocks.

#include "printer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "document.h"

namespace quillen {
namespace {

class Printer final : public tinyxml2::XMLPrinter {
public:
    explicit Printer(std::FILE* stream) : XMLPrinter(stream, false), stream_(stream) {}

    // Hands the stream what is gathered; a failed write shows in the
    // stream's error flag.
    void flush() {
        std::fwrite(buffer_.data(), 1, used_, stream_);
        used_ = 0;
    }

    bool VisitEnter(const tinyxml2::XMLElement& element, const tinyxml2::XMLAttribute* attribute) override {
        OpenElement(element.Name(), writtenAsRead_ != nullptr);
        const bool keptAsWritten = !element.GetDocument()->ProcessEntities();
        for (; attribute != nullptr; attribute = attribute->Next()) {
            if (keptAsWritten && std::strchr(attribute->Value(), '"') != nullptr) {
                pushQuotedAttribute(attribute->Name(), attribute->Value());
            } else {
                PushAttribute(attribute->Name(), attribute->Value());
            }
        }
        if (writtenAsRead_ == nullptr && Document::startsWrittenAsRead(element)) {
            writtenAsRead_ = &element;
        }
        return true;
    }

    bool VisitExit(const tinyxml2::XMLElement& element) override {
        // An XHTML element that the input wrote with an end tag keeps it,
        // nothing between the two: tinyxml2 would write <script/>, which
        // HTML reads as a start tag alone.
        endTagOnly_ = _elementJustOpened && Document::keepsEndTag(element);
        if (endTagOnly_) {
            SealElementIfJustOpened();
        }
        const bool compact = writtenAsRead_ != nullptr || endTagOnly_;  // as CompactMode says
        XMLPrinter::VisitExit(element);
        endTagOnly_ = false;
        if (writtenAsRead_ == &element) {
            writtenAsRead_ = nullptr;
        }
        if (compact && element.Parent() == element.GetDocument()) {
            Putc('\n');  // as after every top-level element
        }
        return true;
    }

    // White space outside elements written as read is only layout.
    bool Visit(const tinyxml2::XMLText& text) override {
        if (writtenAsRead_ != nullptr || !Document::isOnlyWhiteSpace(text)) {
            XMLPrinter::Visit(text);
        }
        return true;
    }

    bool Visit(const tinyxml2::XMLComment& comment) override {
        return asRead("<!--", comment.Value(), "-->") || XMLPrinter::Visit(comment);
    }

    bool Visit(const tinyxml2::XMLDeclaration& declaration) override {
        return asRead("<?", declaration.Value(), "?>") || XMLPrinter::Visit(declaration);
    }

    bool Visit(const tinyxml2::XMLUnknown& unknown) override {
        return asRead("<!", unknown.Value(), ">") || XMLPrinter::Visit(unknown);
    }

protected:
    // Called for an element whose content is printed, and for the element
    // that ends: compact inside an element written as read.
    bool CompactMode(const tinyxml2::XMLElement& /*element*/) override {
        return writtenAsRead_ != nullptr || endTagOnly_;
    }

    using XMLPrinter::Write;
    void Write(const char* data, std::size_t size) override {
        if (size > buffer_.size() - used_) {
            flush();
            if (size > buffer_.size()) {
                std::fwrite(data, 1, size, stream_);
                return;
            }
        }
        std::memcpy(buffer_.data() + used_, data, size);
        used_ += size;
    }

    // Indentation: four blanks a level, in one piece rather than a piece a
    // level.
    void PrintSpace(int depth) override {
        static constexpr std::string_view blanks =
            "                                                                ";
        for (auto count = static_cast<std::size_t>(depth) * 4; count > 0;) {
            const std::size_t piece = std::min(count, blanks.size());
            Write(blanks.data(), piece);
            count -= piece;
        }
    }

    void Putc(char c) override {
        if (used_ == buffer_.size()) {
            flush();
        }
        buffer_[used_++] = c;
    }

private:
    // Inside an element written as read, a node with no line end or
    // indentation before it. Returns whether it was printed so.
    bool asRead(const char* open, const char* value, const char* close) {
        if (writtenAsRead_ == nullptr) {
            return false;
        }
        SealElementIfJustOpened();
        Write(open);
        Write(value);
        Write(close);
        return true;
    }

    // A value kept as written, references and all, is printed as it is,
    // between double quotes: a '"' in a value that was quoted with '\''
    // would end it early. Written as &quot;, it reads back the same.
    void pushQuotedAttribute(const char* name, const char* value) {
        Putc(' ');
        Write(name);
        Write("=\"");
        for (const char* quote = std::strchr(value, '"'); quote != nullptr; quote = std::strchr(value, '"')) {
            Write(value, static_cast<std::size_t>(quote - value));
            Write("&quot;");
            value = quote + 1;
        }
        Write(value);
        Putc('"');
    }

    // The outermost element written as read that is being printed.
    const tinyxml2::XMLElement* writtenAsRead_ = nullptr;
    bool endTagOnly_ = false;  // the element that ends has an end tag and nothing inside

    std::FILE* stream_;
    std::array<char, std::size_t{1} << 16> buffer_;  // not filled in: a small file touches only what it uses
    std::size_t used_ = 0;
};

}  // namespace

void print(const tinyxml2::XMLDocument& doc, std::FILE* stream) {
    Printer printer(stream);
    doc.Print(&printer);
    printer.flush();
}

}  // namespace quillen
