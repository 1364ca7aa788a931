// Serialising the assembler's object file into records.
#include "toolchain/tools/zas_object.h"

#include <algorithm>

#include "common/objformat.h"

namespace {

void record(std::vector<unsigned char>* out, obj_rectype type, const std::vector<unsigned char>& data) {
  unsigned char header[kObjRecordHeaderSize];
  obj_put_u16(header, static_cast<uint16_t>(data.size()));
  header[2] = static_cast<unsigned char>(type);
  out->insert(out->end(), header, header + kObjRecordHeaderSize);
  out->insert(out->end(), data.begin(), data.end());
}

void put_u32(std::vector<unsigned char>* data, uint32_t v) {
  unsigned char b[4];
  obj_put_u32(b, v);
  data->insert(data->end(), b, b + 4);
}

void put_name(std::vector<unsigned char>* data, const std::string& name) {
  data->insert(data->end(), name.begin(), name.end());
  data->push_back('\0');
}

void symbol(std::vector<unsigned char>* out, const zas_symbol& s) {
  std::vector<unsigned char> data{s.flags};
  put_u32(&data, s.value);
  put_name(&data, s.name);
  record(out, obj_rectype::SYM, data);
}

// A record holds at most kObjMaxRecordLength data bytes; a TEXT record
// spends four of them on the offset.
constexpr size_t kTextChunk = kObjMaxRecordLength - 4;

}  // namespace

std::vector<unsigned char> zas_object_bytes(const zas_object& obj) {
  std::vector<unsigned char> out;
  std::vector<unsigned char> ident;
  put_name(&ident, obj.ident);
  record(&out, obj_rectype::IDENT, ident);
  for (const zas_psect& ps : obj.psects) {
    std::vector<unsigned char> head;
    put_name(&head, ps.name);
    put_u32(&head, ps.size);
    record(&out, obj_rectype::PSECT, head);
    for (const zas_run& run : ps.runs)
      for (size_t at = 0; at < run.bytes.size(); at += kTextChunk) {
        size_t n = std::min(kTextChunk, run.bytes.size() - at);
        std::vector<unsigned char> text;
        put_u32(&text, run.address + static_cast<uint32_t>(at));
        text.insert(text.end(), run.bytes.begin() + static_cast<long>(at), run.bytes.begin() + static_cast<long>(at + n));
        record(&out, obj_rectype::TEXT, text);
      }
    for (const zas_symbol& s : obj.symbols)
      if (s.psect == ps.name) symbol(&out, s);
  }
  for (const zas_symbol& s : obj.symbols)
    if (s.psect.empty()) symbol(&out, s);
  if (obj.has_start) {
    std::vector<unsigned char> start;
    put_u32(&start, obj.start);
    record(&out, obj_rectype::START, start);
  }
  record(&out, obj_rectype::END, {});
  return out;
}
