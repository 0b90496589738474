// Every message of the table has a translation in every shipped catalogue,
// under its exact (context, source text, comment) key, and the translation
// keeps what the program relies on: the placeholders and the line layout.
// Adding or changing a message without translating it fails here.
//
// The .ts sources are read for the exact keys: a compiled catalogue leaves a
// comment out when the source text alone is unambiguous, so a wrong comment
// would go unseen there. The compiled .qm is then checked to give the same
// texts through the lookup the program makes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <QTranslator>
#include <QXmlStreamReader>
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/messages.h"

namespace {

struct TsMessage {
  QString context;
  QString source;
  std::optional<QString> comment;
  QString translation;
  QString type;  // "unfinished", "obsolete", "vanished" or empty
};

std::vector<TsMessage> read_ts(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) ADD_FAILURE() << "cannot read " << path.toStdString();
  QXmlStreamReader xml(&file);
  std::vector<TsMessage> messages;
  QString context;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == u"name") {
      context = xml.readElementText();
    } else if (xml.name() == u"message") {
      TsMessage message{context, {}, std::nullopt, {}, {}};
      while (xml.readNextStartElement()) {
        if (xml.name() == u"source") {
          message.source = xml.readElementText();
        } else if (xml.name() == u"comment") {
          message.comment = xml.readElementText();
        } else if (xml.name() == u"translation") {
          message.type = xml.attributes().value("type").toString();
          message.translation = xml.readElementText();
        } else {
          xml.skipCurrentElement();
        }
      }
      messages.push_back(message);
    }
  }
  EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
  return messages;
}

bool same_key(const TsMessage& message, const MessageDef& def) {
  bool same_comment = def.comment == nullptr ? !message.comment.has_value()
                                             : message.comment == QString::fromUtf8(def.comment);
  return message.context == QString::fromUtf8(def.context) &&
         message.source == QString::fromUtf8(def.source) && same_comment;
}

std::vector<MessageDef> table(bool banner_only) {
  std::vector<MessageDef> defs;
  for (int i = 0; i < static_cast<int>(Msg::kCount); ++i) {
    const MessageDef& def = message_def(static_cast<Msg>(i));
    if (!banner_only || std::string(def.context) == "KVIdent") defs.push_back(def);
  }
  return defs;
}

std::string describe(const MessageDef& def) {
  return std::string("[") + def.context + "] \"" + def.source + "\"" +
         (def.comment ? std::string(" (") + def.comment + ")" : std::string());
}

// %1..%9 with the number of times each occurs.
std::map<char, int> placeholders(const QString& text) {
  std::map<char, int> found;
  for (qsizetype i = 0; i + 1 < text.size(); ++i)
    if (text[i] == u'%' && text[i + 1] >= u'1' && text[i + 1] <= u'9') ++found[text[i + 1].toLatin1()];
  return found;
}

qsizetype leading_line_ends(const QString& text) {
  qsizetype n = 0;
  while (n < text.size() && text[n] == u'\n') ++n;
  return n;
}

// The output around a message is built on its shape: how many line ends it
// opens with and holds, and whether it ends with a line end or a blank.
void expect_same_shape(const QString& source, const QString& translation) {
  EXPECT_EQ(placeholders(translation), placeholders(source));
  EXPECT_EQ(translation.count(u'\n'), source.count(u'\n'));
  EXPECT_EQ(leading_line_ends(translation), leading_line_ends(source));
  EXPECT_EQ(translation.endsWith(u'\n'), source.endsWith(u'\n'));
  EXPECT_EQ(translation.endsWith(u' '), source.endsWith(u' '));
}

// One language's pair of catalogues: vlkchoptags_<language> holds every
// message, kvident_<language> the banner lines.
struct Catalogue {
  std::string name;
  bool banner_only;
};

void PrintTo(const Catalogue& catalogue, std::ostream* out) { *out << catalogue.name; }

std::vector<Catalogue> shipped_catalogues() {
  std::vector<Catalogue> catalogues;
  const QStringList sources =
      QDir(VANTLINK_TS_DIR).entryList({"vlkchoptags_*.ts"}, QDir::Files, QDir::Name);
  for (const QString& file : sources) {
    std::string language = file.mid(12).chopped(3).toStdString();
    catalogues.push_back({"vlkchoptags_" + language, false});
    catalogues.push_back({"kvident_" + language, true});
  }
  return catalogues;
}

class ShippedCatalogue : public ::testing::TestWithParam<Catalogue> {
 protected:
  std::vector<TsMessage> ts() const {
    return read_ts(QString(VANTLINK_TS_DIR) + "/" + QString::fromStdString(GetParam().name) + ".ts");
  }
};

TEST_P(ShippedCatalogue, HoldsEveryMessageUnderItsExactKey) {
  std::vector<TsMessage> messages = ts();
  for (const MessageDef& def : table(GetParam().banner_only)) {
    SCOPED_TRACE(describe(def));
    auto count = std::count_if(messages.begin(), messages.end(),
                               [&](const TsMessage& m) { return same_key(m, def); });
    ASSERT_EQ(count, 1) << "entries for this message";
    auto message = std::find_if(messages.begin(), messages.end(),
                                [&](const TsMessage& m) { return same_key(m, def); });
    EXPECT_TRUE(message->type.isEmpty()) << "translation marked " << message->type.toStdString();
    ASSERT_FALSE(message->translation.isEmpty());
    expect_same_shape(message->source, message->translation);
  }
}

TEST_P(ShippedCatalogue, HoldsNoMessageOutsideTheTable) {
  std::vector<MessageDef> defs = table(GetParam().banner_only);
  for (const TsMessage& message : ts()) {
    bool known = std::any_of(defs.begin(), defs.end(),
                             [&](const MessageDef& def) { return same_key(message, def); });
    EXPECT_TRUE(known) << "stale entry [" << message.context.toStdString() << "] \""
                       << message.source.toStdString() << "\"";
  }
}

// The built catalogue answers the program's own lookup with the same texts.
TEST_P(ShippedCatalogue, CompiledCatalogueGivesTheTranslations) {
  QTranslator translator;
  ASSERT_TRUE(translator.load(QString::fromStdString(GetParam().name), VANTLINK_LOCALE_DIR))
      << GetParam().name << ".qm in " << VANTLINK_LOCALE_DIR;
  std::vector<TsMessage> messages = ts();
  for (const MessageDef& def : table(GetParam().banner_only)) {
    auto message = std::find_if(messages.begin(), messages.end(),
                                [&](const TsMessage& m) { return same_key(m, def); });
    ASSERT_NE(message, messages.end()) << describe(def);
    EXPECT_EQ(translator.translate(def.context, def.source, def.comment).toStdString(),
              message->translation.toStdString())
        << describe(def);
  }
}

INSTANTIATE_TEST_SUITE_P(Translations, ShippedCatalogue, ::testing::ValuesIn(shipped_catalogues()),
                         [](const auto& info) { return info.param.name; });

TEST(Catalogues, FrenchIsShipped) {
  std::vector<Catalogue> catalogues = shipped_catalogues();
  EXPECT_TRUE(std::any_of(catalogues.begin(), catalogues.end(),
                          [](const Catalogue& c) { return c.name == "vlkchoptags_fr"; }));
}

// No French text is an English one left for later.
TEST(Catalogues, FrenchTextsAreTranslated) {
  for (const TsMessage& message : read_ts(QString(VANTLINK_TS_DIR) + "/vlkchoptags_fr.ts"))
    EXPECT_NE(message.translation, message.source) << message.source.toStdString();
}

}  // namespace
