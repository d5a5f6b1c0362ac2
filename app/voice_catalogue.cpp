#include "app/voice_catalogue.h"

#include "runtime/window_system.h"

// One row per line; the adjacent literals join into one text without whitespace between rows.
const char VOICE_TABLE_JSON[] =
    R"([{"name":"标准女声-通用场景-小云","value":"Xiaoyun","type":"aliyun"})"
    R"(,{"name":"标准男声-通用场景-小刚","value":"Xiaogang","type":"aliyun"})"
    R"(,{"name":"温柔女声-通用场景-若兮","value":"Ruoxi","type":"aliyun"})"
    R"(,{"name":"温柔女声-通用场景-思琪","value":"Siqi","type":"aliyun"})"
    R"(,{"name":"标准女声-通用场景-思佳","value":"Sijia","type":"aliyun"})"
    R"(,{"name":"标准男声-通用场景-思诚","value":"Sicheng","type":"aliyun"})"
    R"(,{"name":"温柔女声-通用场景-艾琪","value":"Aiqi","type":"aliyun"})"
    R"(,{"name":"标准女声-通用场景-艾佳","value":"Aijia","type":"aliyun"})"
    R"(,{"name":"标准男声-通用场景-艾诚","value":"Aicheng","type":"aliyun"})"
    R"(,{"name":"标准男声-通用场景-艾达","value":"Aida","type":"aliyun"})"
    R"(,{"name":"标准女声-通用场景-宁儿","value":"Ninger","type":"aliyun"})"
    R"(,{"name":"标准女声-通用场景-瑞琳","value":"Ruilin","type":"aliyun"})"
    R"(,{"name":"温柔女声-客服场景-思悦","value":"Siyue","type":"aliyun"})"
    R"(,{"name":"严厉女声-客服场景-艾雅","value":"Aiya","type":"aliyun"})"
    R"(,{"name":"亲和女声-客服场景-艾夏","value":"Aixia","type":"aliyun"})"
    R"(,{"name":"甜美女声-客服场景-艾美","value":"Aimei","type":"aliyun"})"
    R"(,{"name":"自然女声-客服场景-艾雨","value":"Aiyu","type":"aliyun"})"
    R"(,{"name":"温柔女声-客服场景-艾悦","value":"Aiyue","type":"aliyun"})"
    R"(,{"name":"严厉女声-客服场景-艾婧","value":"Aijing","type":"aliyun"})"
    R"(,{"name":"甜美女声-客服场景-小美","value":"Xiaomei","type":"aliyun"})"
    R"(,{"name":"浙普女声-客服场景-艾娜","value":"Aina","type":"aliyun"})"
    R"(,{"name":"浙普女声-客服场景-伊娜","value":"Yina","type":"aliyun"})"
    R"(,{"name":"严厉女声-客服场景-思婧","value":"Sijing","type":"aliyun"})"
    R"(,{"name":"儿童音-童声场景-思彤","value":"Sitong","type":"aliyun"})"
    R"(,{"name":"萝莉女声-童声场景-小北","value":"Xiaobei","type":"aliyun"})"
    R"(,{"name":"儿童音-童声场景-艾彤","value":"Aitong","type":"aliyun"})"
    R"(,{"name":"萝莉女声-童声场景-艾薇","value":"Aiwei","type":"aliyun"})"
    R"(,{"name":"萝莉女声-童声场景-艾宝","value":"Aibao","type":"aliyun"})"
    R"(,{"name":"英音男声-英文场景-Harry-仅支持英语","value":"Harry","type":"aliyun"})"
    R"(,{"name":"美音女声-英文场景-Abby-仅支持英语","value":"Abby","type":"aliyun"})"
    R"(,{"name":"美音男声-英文场景-Andy-仅支持英语","value":"Andy","type":"aliyun"})"
    R"(,{"name":"英音男声-英文场景-Eric-仅支持英语","value":"Eric","type":"aliyun"})"
    R"(,{"name":"英音女声-英文场景-Emily-仅支持英语","value":"Emily","type":"aliyun"})"
    R"(,{"name":"英音女声-英文场景-Luna-仅支持英语","value":"Luna","type":"aliyun"})"
    R"(,{"name":"英音男声-英文场景-Luca-仅支持英语","value":"Luca","type":"aliyun"})"
    R"(,{"name":"英音女声-英文场景-Wendy-仅支持英语","value":"Wendy","type":"aliyun"})"
    R"(,{"name":"英音男声-英文场景-William-仅支持英语","value":"William","type":"aliyun"})"
    R"(,{"name":"英音女声-英文场景-Olivia-仅支持英语","value":"Olivia","type":"aliyun"})"
    R"(,{"name":"粤语女声-方言场景-姗姗","value":"Shanshan","type":"aliyun"})"
    R"(,{"name":"四川话女声-方言场景-小玥","value":"Xiaoyue","type":"aliyun"})"
    R"(,{"name":"英中双语女声-英文场景-Lydia","value":"Lydia","type":"aliyun"})"
    R"(,{"name":"自然男声-客服场景-艾硕","value":"Aishuo","type":"aliyun"})"
    R"(,{"name":"台湾话女声-方言场景-青青","value":"Qingqing","type":"aliyun"})"
    R"(,{"name":"东北话女声-方言场景-翠姐","value":"Cuijie","type":"aliyun"})"
    R"(,{"name":"湖南重口音男声-方言场景-小泽","value":"Xiaoze","type":"aliyun"})"
    R"(,{"name":"日语女声-文学场景-智香","value":"Tomoka","type":"aliyun"})"
    R"(,{"name":"日语男声-文学场景-智也","value":"Tomoya","type":"aliyun"})"
    R"(,{"name":"美语女声-文学场景-Annie-仅支持英语","value":"Annie","type":"aliyun"}])";

std::unique_ptr<JsonDocument> g_voice_catalogue;

namespace {

constexpr int OFFERED_VOICES = 47;
constexpr int INITIAL_SELECTION = 1;

}  // namespace

void create_voice_catalogue() { g_voice_catalogue = std::make_unique<JsonDocument>(); }

void destroy_voice_catalogue() { g_voice_catalogue.reset(); }

void handle_window_created(QComboBox& voice_list) {
  g_voice_catalogue->parse(VOICE_TABLE_JSON);
  for (int row = 1; row <= OFFERED_VOICES; ++row) {
    const Text path = concat_text({"[", to_text(row), "].name"});
    combo_add_item(voice_list, g_voice_catalogue->get_text(path));
  }
  write_selection(voice_list, INITIAL_SELECTION);
}

Text voice_for_selection(int selection) {
  // The row is computed as a real and written with at most 13 digits, as every number the program
  // turns into a path is.
  const Text row = to_text(static_cast<double>(selection) + 1.0);
  return g_voice_catalogue->get_text(concat_text({"[", row, "].value"}));
}
