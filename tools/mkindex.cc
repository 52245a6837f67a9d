// mkindex: builds and dumps .ndx/.mdx/.cdx files with the storage index
// code, for the interop tests and by hand.
//
//   mkindex build ndx|mdx|cdx OUT [--block N] [--table NAME] [--budget BYTES]
//           --tag NAME TYPE LENGTH EXPR FLAGS ...      < keys
//     TYPE is C, N, D, L or I; FLAGS is "-" or any of u (unique),
//     d (descending), f=EXPR (FOR text, rest of the word).
//     Each stdin line is "TAG<TAB>RECNO<TAB>VALUE": C text, N number text,
//     D YYYYMMDD, L T or F, I integer.
//   mkindex dump FILE [TAG=TYPE ...]
//     Prints each tag's description, then "TAG<TAB>RECNO<TAB>HEXKEY" lines
//     in index order. TAG=TYPE declares a CDX tag's key type.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "storage/dbase/index/cdx_writer.h"
#include "storage/dbase/index/index_key_codec.h"
#include "storage/dbase/index/index_reader.h"
#include "storage/dbase/index/mdx_writer.h"
#include "storage/dbase/index/ndx_writer.h"
#include "storage/dbase/index/tag_key_sorter.h"

using namespace kx::storage;

namespace {

int Fail(const std::string& what) {
  std::fprintf(stderr, "mkindex: %s\n", what.c_str());
  return 1;
}

int Fail(const Status& s) { return Fail(s.message()); }

Status AddValue(TagKeySorter* sorter, std::uint32_t recno, const std::string& value) {
  switch (sorter->def().key_type) {
    case IndexKeyType::kCharacter: return sorter->AddCharacter(recno, value.data(), value.size());
    case IndexKeyType::kNumeric: return sorter->AddNumberText(recno, value);
    case IndexKeyType::kDate: return sorter->AddDate(recno, JulianDayFromDbfDate(value));
    case IndexKeyType::kLogical: return sorter->AddLogical(recno, value == "T");
    case IndexKeyType::kInteger: return sorter->AddInteger(recno, std::atoi(value.c_str()));
  }
  return Status::OK();
}

int Build(int argc, char** argv) {
  if (argc < 4) return Fail("build needs a format and an output path");
  std::string format_name = argv[2];
  IndexFormat format = format_name == "ndx"   ? IndexFormat::kNdx
                       : format_name == "mdx" ? IndexFormat::kMdx
                                              : IndexFormat::kCdx;
  std::string out = argv[3];
  MdxFileOptions mdx;
  mdx.table_name = "TABLE";
  TagSortOptions sort;
  sort.env = Env::Default();
  sort.temp_path_prefix = out + ".~sort";
  std::vector<std::unique_ptr<TagKeySorter>> sorters;
  std::map<std::string, TagKeySorter*> by_name;
  for (int i = 4; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--block" && i + 1 < argc) {
      mdx.block_bytes = std::strtoul(argv[++i], nullptr, 10);
    } else if (arg == "--table" && i + 1 < argc) {
      mdx.table_name = argv[++i];
    } else if (arg == "--budget" && i + 1 < argc) {
      sort.memory_budget = std::strtoul(argv[++i], nullptr, 10);
    } else if (arg == "--tag" && i + 5 < argc) {
      IndexTagDef def;
      def.name = argv[i + 1];
      def.key_type = static_cast<IndexKeyType>(argv[i + 2][0]);
      def.key_length = static_cast<std::uint16_t>(std::atoi(argv[i + 3]));
      def.key_expression = argv[i + 4];
      std::string flags = argv[i + 5];
      std::size_t f = flags.find("f=");
      if (f != std::string::npos) def.for_expression = flags.substr(f + 2);
      flags = flags.substr(0, f);
      def.unique = flags.find('u') != std::string::npos;
      def.descending = flags.find('d') != std::string::npos;
      i += 5;
      TagSortOptions tag_sort = sort;
      tag_sort.temp_path_prefix += std::to_string(sorters.size());
      std::unique_ptr<TagKeySorter> sorter;
      Status s = TagKeySorter::Create(format, def, tag_sort, &sorter);
      if (!s.ok()) return Fail(s);
      by_name[def.name] = sorter.get();
      sorters.push_back(std::move(sorter));
    } else {
      return Fail("unknown argument " + arg);
    }
  }
  if (sorters.empty()) return Fail("no --tag");
  std::string line;
  while (std::getline(std::cin, line)) {
    std::size_t t1 = line.find('\t');
    std::size_t t2 = line.find('\t', t1 + 1);
    if (t1 == std::string::npos || t2 == std::string::npos) return Fail("bad line: " + line);
    auto it = by_name.find(line.substr(0, t1));
    if (it == by_name.end()) return Fail("unknown tag in: " + line);
    std::uint32_t recno = static_cast<std::uint32_t>(std::strtoul(line.c_str() + t1 + 1, nullptr, 10));
    Status s = AddValue(it->second, recno, line.substr(t2 + 1));
    if (!s.ok()) return Fail(s);
  }
  for (auto& sorter : sorters) {
    Status s = sorter->Finish();
    if (!s.ok()) return Fail(s);
  }
  Status s;
  IndexWriteOptions options;
  if (format == IndexFormat::kNdx) {
    s = WriteNdxFile(Env::Default(), out, sorters[0]->def(), sorters[0].get(), options);
  } else if (format == IndexFormat::kMdx) {
    std::vector<MdxTagInput> tags;
    for (auto& sorter : sorters) tags.push_back({sorter->def(), sorter.get()});
    s = WriteMdxFile(Env::Default(), out, mdx, tags, options);
  } else {
    std::vector<CdxTagInput> tags;
    for (auto& sorter : sorters) tags.push_back({sorter->def(), sorter.get()});
    s = WriteCdxFile(Env::Default(), out, {}, tags, options);
  }
  return s.ok() ? 0 : Fail(s);
}

int Dump(int argc, char** argv) {
  if (argc < 3) return Fail("dump needs a file");
  std::unique_ptr<IndexFileReader> reader;
  Status s = IndexFileReader::Open(Env::Default(), argv[2], &reader);
  if (!s.ok()) return Fail(s);
  std::map<std::string, char> declared;
  for (int i = 3; i < argc; ++i) {
    std::string arg = argv[i];
    std::size_t eq = arg.find('=');
    if (eq != std::string::npos && eq + 1 < arg.size()) declared[arg.substr(0, eq)] = arg[eq + 1];
  }
  for (std::size_t t = 0; t < reader->tags().size(); ++t) {
    const IndexTagInfo& info = reader->tags()[t];
    if (declared.count(info.name)) reader->DeclareKeyType(t, declared[info.name]);
    std::printf("tag %s\texpr=%s\tfor=%s\ttype=%c\tlength=%u\tunique=%d\tdescending=%d\n",
                info.name.c_str(), info.key_expression.c_str(), info.for_expression.c_str(),
                info.key_type ? info.key_type : '?', info.key_length, info.unique, info.descending);
    s = reader->Walk(t, [&](const std::uint8_t* key, std::size_t length, std::uint32_t recno) {
      std::printf("%s\t%u\t", info.name.c_str(), recno);
      for (std::size_t i = 0; i < length; ++i) std::printf("%02x", key[i]);
      std::printf("\n");
      return Status::OK();
    });
    if (!s.ok()) return Fail(s);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "build") == 0) return Build(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "dump") == 0) return Dump(argc, argv);
  return Fail("usage: mkindex build ndx|mdx|cdx OUT --tag ... < keys | mkindex dump FILE");
}
