// The micro XML reader over a table of documents.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/uxml2.h"
#include "tests/support/testutil.h"

namespace {

const std::string kDecl = "<?xml version=\"1.0\"?>\n";

// The tree as one line: name[attr=value,...]{text}(children...).
std::string show(const uxml_element* e) {
  std::string s = e->name;
  if (vec_size(e->attributes)) {
    s += "[";
    for (uint32_t i = 0; i < vec_size(e->attributes); ++i) {
      auto* a = vec_get_as<uxml_attribute*>(e->attributes, i);
      s += std::string(i ? "," : "") + a->name + "=" + a->value;
    }
    s += "]";
  }
  if (*e->text) s += std::string("{") + e->text + "}";
  if (vec_size(e->children)) {
    s += "(";
    for (uint32_t i = 0; i < vec_size(e->children); ++i)
      s += (i ? " " : "") + show(vec_get_as<uxml_element*>(e->children, i));
    s += ")";
  }
  return s;
}

// A scratch stream, removed with the scratch directory at exit; tmpfile()
// would make it in the root of the drive on Windows.
FILE* scratch_stream() {
  static testutil::TempDir dir;
  static unsigned serial = 0;
  return fopen(dir.file("stream" + std::to_string(serial++)).c_str(), "w+b");
}

// A scratch stream holding text, positioned at its start.
FILE* stream_of(const std::string& text) {
  FILE* f = scratch_stream();
  if (f) {
    fwrite(text.data(), 1, text.size(), f);
    rewind(f);
  }
  return f;
}

// What the reader makes of a document: the tree, or "null".
std::string read(const std::string& document) {
  FILE* f = stream_of(document);
  uxml_element* root = uxml_read(f);
  fclose(f);
  std::string shown = root ? show(root) : "null";
  uxml_freeElement(root);
  return shown;
}


TEST(Uxml, ReadingDocuments) {
  struct Case {
    const char* label;
    std::string document;
    std::string tree;
  };
  const Case cases[] = {
      {"declaration then root", kDecl + "<a/>", "a"},
      {"the rest of the declaration line is ignored", "<?xml version=\"1.1\" encoding=\"x\" junk?>\n<a></a>", "a"},
      {"a blank line before the root", kDecl + "\n<a/>", "null"},
      {"a blank before the root", kDecl + " <a/>", "null"},
      {"single-quoted version", "<?xml version='1.0'?>\n<a/>", "null"},
      {"no declaration", "<a/>", "null"},
      {"empty input", "", "null"},
      {"attribute forms", kDecl + "<a b=\"1\" c='2' d/>", "a[b=1,c=2,d=]"},
      {"empty element after a blank", kDecl + "<a b=\"1\" />", "a[b=1]"},
      {"duplicate attributes are kept", kDecl + "<a b=\"1\" b=\"2\"/>", "a[b=1,b=2]"},
      {"blanks around =", kDecl + "<a b = \"1\"/>", "null"},
      {"blank after =", kDecl + "<a b= \"1\"/>", "null"},
      {"unquoted value", kDecl + "<a b=1/>", "null"},
      {"an encoded quote stays in the value", kDecl + "<a b=\"x&quot;y\"/>", "a[b=x\"y]"},
      {"the other quote is a character", kDecl + "<a b=\"it's\"/>", "a[b=it's]"},
      {"entities", kDecl + "<a>&lt;x&gt; &amp; &quot;&apos; &nbsp;</a>", "a{<x> & \"' ~}"},
      {"numeric references are not known", kDecl + "<a>&#65;</a>", "a{~}"},
      {"an entity without ; within ten characters", kDecl + "<a>&abcdefghijkl</a>", "a{~kl}"},
      {"text around a child is joined and trimmed", kDecl + "<a>  x  <b/>  y  </a>", "a{x    y}(b)"},
      {"children in order", kDecl + "<r><f n=\"1\"><d v=\"x\"/><d v=\"y\"/></f><f/></r>", "r(f[n=1](d[v=x] d[v=y]) f)"},
      {"a closing tag with another name", kDecl + "<a></b>", "null"},
      {"a blank before the closing >", kDecl + "<a></a >", "null"},
      {"a blank after </", kDecl + "<a></ a>", "a"},
      {"an unclosed element", kDecl + "<a><b/>", "null"},
      {"a comment in character data", kDecl + "<a>ab<!-- c -->de</a>", "a{abde}"},
      {"a comment between children", kDecl + "<a><!-- one --><b/><!----><c/></a>", "a(b c)"},
      {"an unended comment", kDecl + "<a><!-- x </a>", "null"},
      {"<! that opens no comment", kDecl + "<a><!x/></a>", "a(!x)"},
      {"<!- that opens no comment", kDecl + "<a><!-x/></a>", "a(!-x)"},
      {"an empty start tag name", kDecl + "< a/>", "a"},
      {"no name at all", kDecl + "<=x/>", "null"},
      {"the root ends the reading", kDecl + "<a/>trailing <junk", "a"},
      {"end of file in a start tag", kDecl + "<a b=\"1\"", "null"},
      {"end of file in a value", kDecl + "<a b=\"1", "null"},
      {"a slash not followed by >", kDecl + "<a / ></a>", "null"},
      {"read as text: CR LF is a line feed, a lone CR stays",
       "<?xml version=\"1.0\"?>\r\n<a v=\"1\r\n2\"\r\n>x\r\ny\rz</a>\r\n", "a[v=1\n2]{x\ny\rz}"},
  };
  for (const Case& c : cases) EXPECT_EQ(read(c.document), c.tree) << c.label;
}

// Elements nested n deep, and the tree the reader makes of them.
std::string nested(unsigned n) {
  std::string open, close;
  for (unsigned i = 0; i < n; ++i) {
    open += "<e>";
    close += "</e>";
  }
  return kDecl + open + close;
}
std::string nested_tree(unsigned n) { return n == 1 ? "e" : "e(" + nested_tree(n - 1) + ")"; }

TEST(Uxml, NestingIsBounded) {
  EXPECT_EQ(read(nested(kUxmlMaxDepth)), nested_tree(kUxmlMaxDepth));
  EXPECT_EQ(read(nested(kUxmlMaxDepth + 1)), "null");
  // Far deeper than a stack could follow: no tree, and no crash.
  EXPECT_EQ(read(nested(200000)), "null");
}

}  // namespace
