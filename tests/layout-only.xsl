<?xml version="1.0" encoding="UTF-8"?>
<!-- The judge's view of a document in canonical form: every node as it is,
     but the text of only white space outside the elements that quillen
     writes as read (one that holds other text, one with
     xml:space="preserve" written on it, which tests/roundtrip.sh renames
     to xml-space-written, a verbatim element, and their descendants). That
     white space is only layout, with one exception: between two elements
     that XHTML renders inline, a browser shows any white space as one
     space, and none as none, so there it is compared as one space. All
     other white space must come back. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
                xmlns:h="http://www.w3.org/1999/xhtml" xmlns:svg="http://www.w3.org/2000/svg"
                xmlns:m="http://www.w3.org/1998/Math/MathML">
  <xsl:output method="xml" encoding="UTF-8"/>

  <!-- XHTML's inline elements, as the judge knows them: the XHTML 1.0
       DTDs' %inline; and ins and del, without br, and HTML's phrasing
       elements that render (noscript too: with scripts off a browser shows
       its content in the line), and the list items li, dd and dt, which
       style sheets put in the line as menus and indexes. svg and math are
       inline in XHTML content.
       Elements that a browser does not display stand between them as
       comments do. -->
  <xsl:variable name="inline" select="concat(
      ' a abbr acronym applet audio b basefont bdi bdo big button canvas cite code data del',
      ' dfn em embed font i iframe img input ins kbd label map mark meter noscript object output',
      ' picture progress q ruby s samp select small span strike strong sub sup textarea',
      ' time tt u var video wbr li dd dt ')"/>
  <xsl:variable name="hidden" select="' datalist link meta noembed noframes script style template '"/>

  <xsl:template match="@*|node()">
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
    </xsl:copy>
  </xsl:template>

  <!-- White space, comments and processing instructions. Between two inline
       XHTML elements, such a run with white space in it (and elements that
       draw nothing) is one space, put before its first node. -->
  <xsl:template match="text()[not(normalize-space())] | comment() | processing-instruction()" priority="1">
    <xsl:variable name="asRead" select="boolean(ancestor::*[
        text()[normalize-space()] or @xml-space-written = 'preserve' or
        local-name() = 'pre' or local-name() = 'textarea' or local-name() = 'listing' or
        local-name() = 'xmp' or local-name() = 'programlisting' or local-name() = 'screen' or
        local-name() = 'literallayout' or local-name() = 'synopsis' or
        local-name() = 'funcsynopsisinfo' or local-name() = 'classsynopsisinfo' or
        local-name() = 'address' or local-name() = 'codeblock' or local-name() = 'msgblock' or
        local-name() = 'tspan' or local-name() = 'textPath' or
        (local-name() = 'text' and (namespace-uri() = 'http://www.w3.org/2000/svg' or
                                    namespace-uri() = 'http://www.w3.org/1999/XSL/Transform'))])"/>
    <xsl:variable name="before" select="preceding-sibling::node()[not(self::comment() or
        self::processing-instruction() or self::text()[not(normalize-space())] or
        self::h:*[contains($hidden, concat(' ', local-name(), ' '))])][1]"/>
    <xsl:variable name="after" select="following-sibling::node()[not(self::comment() or
        self::processing-instruction() or self::text()[not(normalize-space())] or
        self::h:*[contains($hidden, concat(' ', local-name(), ' '))])][1]"/>
    <xsl:variable name="previous"
        select="preceding-sibling::node()[not(self::h:*[contains($hidden, concat(' ', local-name(), ' '))])][1]"/>
    <xsl:if test="not($asRead) and count($previous | $before) = 1 and
                  ($before/self::h:*[contains($inline, concat(' ', local-name(), ' '))] or
                   $before[(self::svg:svg or self::m:math) and parent::h:*]) and
                  ($after/self::h:*[contains($inline, concat(' ', local-name(), ' '))] or
                   $after[(self::svg:svg or self::m:math) and parent::h:*]) and
                  count($after/preceding-sibling::text()[not(normalize-space())]) &gt;
                  count($before/preceding-sibling::text()[not(normalize-space())])">
      <xsl:text> </xsl:text>
    </xsl:if>
    <xsl:if test="$asRead or not(self::text())">
      <xsl:copy/>
    </xsl:if>
  </xsl:template>
</xsl:stylesheet>
