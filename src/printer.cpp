// The printer. tinyxml2's own printer indents inside every element but one
// that holds text, and there only up to the end tag of the first child that
// held text; it puts every comment and processing instruction on a line of
// its own. Inside an element written as read, this one adds nothing: no line
// end, no indentation; the white space that was read is printed as text.

#include "printer.h"

#include <cstring>

#include "document.h"

namespace quillen {
namespace {

class Printer final : public tinyxml2::XMLPrinter {
public:
    explicit Printer(std::FILE* stream) : XMLPrinter(stream, false) {}

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
        XMLPrinter::VisitExit(element);
        if (writtenAsRead_ == &element) {
            writtenAsRead_ = nullptr;
            if (element.Parent() == element.GetDocument()) {
                Putc('\n');  // as after every top-level element
            }
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
    bool CompactMode(const tinyxml2::XMLElement& /*element*/) override { return writtenAsRead_ != nullptr; }

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
};

}  // namespace

void print(const tinyxml2::XMLDocument& doc, std::FILE* stream) {
    Printer printer(stream);
    doc.Print(&printer);
}

}  // namespace quillen
