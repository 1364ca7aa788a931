// The micro XML reader.
#include "common/uxml2.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "common/alloc.h"
#include "debug/lumodebug_trace.h"

namespace {

constexpr int kEof = -1;
constexpr size_t kDeclarationLine = 255;
constexpr const char* kDeclarationStart = "<?xml version=\"1.";
constexpr int kEntityLimit = 10;

struct ElementDeleter {
  void operator()(uxml_element* e) const { uxml_freeElement(e); }
};
using ElementPtr = std::unique_ptr<uxml_element, ElementDeleter>;

// The character source: one character of look-ahead (0 = none) over the
// stream, with comments dropped where a '<' is read and entities decoded
// where a character is taken.
class Reader {
 public:
  explicit Reader(FILE* stream) : stream_(stream) {}

  unsigned depth = 0;  // elements open around the one being read

  int peek() {
    if (ahead_ == 0) ahead_ = next_skipping_comment();
    return ahead_;
  }

  int take() {
    int c = peek();
    ahead_ = 0;
    return c == '&' ? entity() : c;
  }

  // A name into the token buffer: ends before white space, '=' or '>', or
  // at the end of the file. Empty when '=' comes first.
  const std::string& name() {
    token_.clear();
    while (isspace(peek())) take();
    if (peek() == '=') return token_;
    for (;;) {
      if (peek() == '>') break;
      int c = take();
      if (c == kEof) break;
      token_ += static_cast<char>(c);
      int next = peek();
      if (next == '=' || isspace(next)) break;
    }
    return token_;
  }

 private:
  // The next character of the stream, or of what was pushed back (last
  // pushed, first read).
  int raw() {
    if (!pending_.empty()) {
      int c = static_cast<unsigned char>(pending_.back());
      pending_.pop_back();
      return c;
    }
    int c = getc(stream_);
    if (c == '\r') {
      // The file is read as text: CR LF is a line feed on every host.
      int next = getc(stream_);
      if (next == '\n') return '\n';
      if (next != EOF) ungetc(next, stream_);
    }
    return c == EOF ? kEof : c;
  }
  void push_back(int c) {
    if (c != kEof) pending_ += static_cast<char>(c);
  }

  // A '<' that opens "<!--" starts a comment, which is skipped up to and
  // including "-->"; the character behind it is returned as it is.
  int next_skipping_comment() {
    int c = raw();
    if (c != '<') return c;
    int bang = raw();
    if (bang != '!') {
      push_back(bang);
      return '<';
    }
    int dash1 = raw();
    if (dash1 != '-') {
      push_back(dash1);
      push_back('!');
      return '<';
    }
    int dash2 = raw();
    if (dash2 != '-') {
      push_back(dash2);
      push_back('-');
      push_back('!');
      return '<';
    }
    int run = 0;
    for (;;) {
      int d = raw();
      if (d == kEof) return kEof;
      if (d == '>' && run >= 2) break;
      run = d == '-' ? run + 1 : 0;
    }
    return raw();
  }

  // The '&' has been taken: up to and including ';', at most ten
  // characters.
  int entity() {
    std::string text;
    for (int n = 0; n < kEntityLimit; ++n) {
      int c = raw();
      if (c == kEof) return kEof;
      if (c == ';') return decode(text);
      text += static_cast<char>(c);
    }
    return '~';
  }

  static int decode(const std::string& name) {
    if (name == "gt") return '>';
    if (name == "lt") return '<';
    if (name == "quot") return '"';
    if (name == "apos") return '\'';
    if (name == "amp") return '&';
    return '~';
  }

  FILE* stream_;
  std::string pending_;
  int ahead_ = 0;
  std::string token_;
};

std::string trimmed(const std::string& s) {
  size_t begin = 0, end = s.size();
  while (begin < end && isspace(static_cast<unsigned char>(s[begin]))) ++begin;
  while (end > begin && isspace(static_cast<unsigned char>(s[end - 1]))) --end;
  return s.substr(begin, end - begin);
}

void replace(char*& field, const char* value) {
  char* copy = xstrdup(value ? value : "");
  free(field);
  field = copy;
}

// A name scanned up to '>' that ends in '/' is the name of an empty
// element or the last attribute of one ("<name/>", "<a b/>"). The slash is
// an ordinary name character everywhere else.
bool strip_empty_element_slash(Reader& in, std::string& name) {
  if (name.size() < 2 || name.back() != '/' || in.peek() != '>') return false;
  name.pop_back();
  return true;
}

bool read_attribute_value(Reader& in, uxml_attribute* attribute) {
  in.take();  // '='
  int quote = in.take();
  if (quote != '"' && quote != '\'') return false;
  std::string value;
  for (;;) {
    int p = in.peek();
    if (p == kEof) break;
    if (p == quote) {
      in.take();
      break;
    }
    int c = in.take();
    if (c == kEof) break;
    value += static_cast<char>(c);
  }
  uxml_setAttributeValue(attribute, value.c_str());
  return true;
}

uxml_element* read_element(Reader& in);

// The start tag after the name; true with *empty set when it ended "/>".
bool read_start_tag(Reader& in, uxml_element* element, bool* empty) {
  for (;;) {
    int c = in.peek();
    if (c == kEof) return false;
    if (isspace(c)) {
      in.take();
    } else if (c == '/') {
      in.take();
      *empty = true;
      return in.take() == '>';
    } else if (c == '>') {
      in.take();
      return true;
    } else {
      std::string name = in.name();
      if (name.empty()) return false;
      bool ends = strip_empty_element_slash(in, name);
      uxml_attribute* attribute = uxml_newAttribute(name.c_str());
      uxml_addAttribute(element, attribute);
      if (ends) {
        in.take();
        *empty = true;
        return true;
      }
      if (in.peek() == '=' && !read_attribute_value(in, attribute)) return false;
    }
  }
}

bool read_content(Reader& in, uxml_element* element) {
  std::string text;
  for (;;) {
    while (in.peek() != '<') {
      int c = in.take();
      if (c == kEof) return false;
      text += static_cast<char>(c);
    }
    in.take();
    if (in.peek() == '/') break;
    uxml_element* child = read_element(in);
    if (!child) return false;
    uxml_addChild(element, child);
  }
  in.take();  // '/'
  std::string closing = in.name();
  if (in.take() != '>' || closing != element->name) return false;
  uxml_setText(element, trimmed(text).c_str());
  return true;
}

// The element whose '<' has been taken, or null.
uxml_element* read_element(Reader& in) {
  if (in.depth >= kUxmlMaxDepth) return nullptr;
  struct Level {
    explicit Level(unsigned& depth) : depth_(depth) { ++depth_; }
    ~Level() { --depth_; }
    unsigned& depth_;
  } level(in.depth);
  std::string name = in.name();
  bool empty = strip_empty_element_slash(in, name);
  if (name.empty()) return nullptr;
  ElementPtr element(uxml_newElement(name.c_str()));
  if (empty) {
    in.take();
    return element.release();
  }
  empty = false;
  if (!read_start_tag(in, element.get(), &empty)) return nullptr;
  if (!empty && !read_content(in, element.get())) return nullptr;
  return element.release();
}

}  // namespace

uxml_element* uxml_read(FILE* stream) {
  DB_ENTER("%p", static_cast<void*>(stream));
  if (!stream) return nullptr;
  char line[kDeclarationLine + 1];
  if (!fgets(line, sizeof line, stream)) return nullptr;
  if (strncmp(line, kDeclarationStart, strlen(kDeclarationStart)) != 0) {
    DB_EXIT("no XML declaration");
    return nullptr;
  }
  Reader in(stream);
  if (in.take() != '<') return nullptr;
  uxml_element* root = read_element(in);
  DB_EXIT("%s", root ? root->name : "not well-formed");
  return root;
}

uxml_element* uxml_newElement(const char* name) {
  auto* e = static_cast<uxml_element*>(xcalloc(sizeof(uxml_element)));
  e->name = xstrdup(name ? name : "");
  e->text = xstrdup("");
  e->children = vec_new();
  e->attributes = vec_new();
  return e;
}

void uxml_freeElement(uxml_element* element) {
  if (!element) return;
  for (uint32_t i = 0; i < vec_size(element->attributes); ++i)
    uxml_freeAttribute(vec_get_as<uxml_attribute*>(element->attributes, i));
  vec_free(element->attributes);
  for (uint32_t i = 0; i < vec_size(element->children); ++i)
    uxml_freeElement(vec_get_as<uxml_element*>(element->children, i));
  vec_free(element->children);
  free(element->name);
  free(element->text);
  free(element);
}

// The setters release what they replace: nothing else holds the old copy.
void uxml_setText(uxml_element* element, const char* text) { replace(element->text, text); }
void uxml_addChild(uxml_element* element, uxml_element* child) { vec_push(element->children, child); }
void uxml_addAttribute(uxml_element* element, uxml_attribute* attribute) { vec_push(element->attributes, attribute); }

uxml_attribute* uxml_newAttribute(const char* name) {
  auto* a = static_cast<uxml_attribute*>(xcalloc(sizeof(uxml_attribute)));
  a->name = xstrdup(name ? name : "");
  a->value = xstrdup("");
  return a;
}

void uxml_freeAttribute(uxml_attribute* attribute) {
  if (!attribute) return;
  free(attribute->name);
  free(attribute->value);
  free(attribute);
}

void uxml_setAttributeValue(uxml_attribute* attribute, const char* value) { replace(attribute->value, value); }
