<?xml version="1.0" encoding="UTF-8"?>
<!-- The judge's view of a document in canonical form: every node as it is,
     but the text of only white space outside the elements that quillen
     writes as read (one that holds other text, one with
     xml:space="preserve" written on it, which tests/roundtrip.sh renames
     to xml-space-written, a verbatim element, and their descendants). That
     white space is only layout; all other white space must come back. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="xml" encoding="UTF-8"/>

  <xsl:template match="@*|node()">
    <xsl:copy>
      <xsl:apply-templates select="@*|node()"/>
    </xsl:copy>
  </xsl:template>

  <xsl:template match="text()[not(normalize-space())][not(ancestor::*[
      text()[normalize-space()] or @xml-space-written = 'preserve' or
      local-name() = 'pre' or local-name() = 'textarea' or local-name() = 'listing' or
      local-name() = 'xmp' or local-name() = 'programlisting' or local-name() = 'screen' or
      local-name() = 'literallayout' or local-name() = 'synopsis' or
      local-name() = 'funcsynopsisinfo' or local-name() = 'classsynopsisinfo' or
      local-name() = 'address' or local-name() = 'codeblock' or local-name() = 'msgblock' or
      local-name() = 'tspan' or local-name() = 'textPath' or
      (local-name() = 'text' and (namespace-uri() = 'http://www.w3.org/2000/svg' or
                                  namespace-uri() = 'http://www.w3.org/1999/XSL/Transform'))])]"/>
</xsl:stylesheet>
