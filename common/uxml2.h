// Micro XML: reads a small XML document from an open stream into a tree of
// elements and writes such a tree back out. It knows elements, attributes,
// character data, the five named entities, comments and a one-line XML
// declaration; nothing else (no document types, CDATA, processing
// instructions inside the document, numeric references or namespaces), and
// it does not validate. Reading is strict: a document that breaks a rule
// gives no tree, without a message; the caller reports it in its own words.
// Elements nest at most kUxmlMaxDepth deep (the reader descends by recursion
// and keeps its stack bounded); a deeper document gives no tree either.
//
// Every string an element or attribute holds is its own copy. A tree from
// uxml_read belongs to the caller (uxml_freeElement). The vectors returned
// by uxml_getChildren and uxml_getAttributes are new and freed by the
// caller; their entries still belong to the tree.
//
// Reading and writing a document are traced; uxml_writeElement (once per
// element) and the operations on single elements and attributes are not.
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
bool uxml_write(const uxml_element* element, FILE* stream);
bool uxml_writeElement(const uxml_element* element, FILE* stream, unsigned depth);

uxml_element* uxml_newElement(const char* name);
void uxml_freeElement(uxml_element* element);
const char* uxml_getName(const uxml_element* element);
const char* uxml_getText(const uxml_element* element);
vector* uxml_getChildren(const uxml_element* element);
vector* uxml_getAttributes(const uxml_element* element);
uxml_attribute* uxml_findAttribute(const uxml_element* element, const char* name);
void uxml_setName(uxml_element* element, const char* name);
void uxml_setText(uxml_element* element, const char* text);
void uxml_addChild(uxml_element* element, uxml_element* child);
void uxml_addAttribute(uxml_element* element, uxml_attribute* attribute);
int uxml_removeChild(uxml_element* element, const uxml_element* child);
int uxml_removeAttribute(uxml_element* element, const uxml_attribute* attribute);
void uxml_setChildren(uxml_element* element, const vector* children);
void uxml_setAttributes(uxml_element* element, const vector* attributes);

uxml_attribute* uxml_newAttribute(const char* name);
void uxml_freeAttribute(uxml_attribute* attribute);
const char* uxml_getAttributeName(const uxml_attribute* attribute);
const char* uxml_getAttributeValue(const uxml_attribute* attribute);
void uxml_setAttributeName(uxml_attribute* attribute, const char* name);
void uxml_setAttributeValue(uxml_attribute* attribute, const char* value);
