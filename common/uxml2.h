// Micro XML: reads a small XML document from an open stream into a tree of
// elements. It knows elements, attributes, character data, the five named
// entities, comments and a one-line XML declaration; nothing else (no document types, CDATA, processing
// instructions inside the document, numeric references or namespaces), and
// it does not validate. Reading is strict: a document that breaks a rule
// gives no tree, without a message; the caller reports it in its own words.
// Elements nest at most kUxmlMaxDepth deep (the reader descends by recursion
// and keeps its stack bounded); a deeper document gives no tree either.
//
// Every string an element or attribute holds is its own copy. A tree from
// uxml_read belongs to the caller (uxml_freeElement), who reads it through
// the fields.
//
// Reading a document is traced; the operations on single elements and
// attributes are not.
#pragma once

#include <cstdio>

#include "common/vector.h"

struct uxml_attribute {
  char* name;
  char* value;  // empty when the attribute has none
};

struct uxml_element {
  char* name;
  char* text;          // character data, entities decoded, trimmed
  vector* children;    // uxml_element*, document order
  vector* attributes;  // uxml_attribute*, as written; duplicates kept
};

inline constexpr unsigned kUxmlMaxDepth = 1000;

uxml_element* uxml_read(FILE* stream);

uxml_element* uxml_newElement(const char* name);
void uxml_freeElement(uxml_element* element);
void uxml_setText(uxml_element* element, const char* text);
void uxml_addChild(uxml_element* element, uxml_element* child);
void uxml_addAttribute(uxml_element* element, uxml_attribute* attribute);

uxml_attribute* uxml_newAttribute(const char* name);
void uxml_freeAttribute(uxml_attribute* attribute);
void uxml_setAttributeValue(uxml_attribute* attribute, const char* value);
