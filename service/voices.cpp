#include "service/voices.h"

#include <array>

namespace service {
namespace {

constexpr std::array<Voice, 48> kVoices{{
    {"Xiaoyun", "标准女声-通用场景-小云"},
    {"Xiaogang", "标准男声-通用场景-小刚"},
    {"Ruoxi", "温柔女声-通用场景-若兮"},
    {"Siqi", "温柔女声-通用场景-思琪"},
    {"Sijia", "标准女声-通用场景-思佳"},
    {"Sicheng", "标准男声-通用场景-思诚"},
    {"Aiqi", "温柔女声-通用场景-艾琪"},
    {"Aijia", "标准女声-通用场景-艾佳"},
    {"Aicheng", "标准男声-通用场景-艾诚"},
    {"Aida", "标准男声-通用场景-艾达"},
    {"Ninger", "标准女声-通用场景-宁儿"},
    {"Ruilin", "标准女声-通用场景-瑞琳"},
    {"Siyue", "温柔女声-客服场景-思悦"},
    {"Aiya", "严厉女声-客服场景-艾雅"},
    {"Aixia", "亲和女声-客服场景-艾夏"},
    {"Aimei", "甜美女声-客服场景-艾美"},
    {"Aiyu", "自然女声-客服场景-艾雨"},
    {"Aiyue", "温柔女声-客服场景-艾悦"},
    {"Aijing", "严厉女声-客服场景-艾婧"},
    {"Xiaomei", "甜美女声-客服场景-小美"},
    {"Aina", "浙普女声-客服场景-艾娜"},
    {"Yina", "浙普女声-客服场景-伊娜"},
    {"Sijing", "严厉女声-客服场景-思婧"},
    {"Sitong", "儿童音-童声场景-思彤"},
    {"Xiaobei", "萝莉女声-童声场景-小北"},
    {"Aitong", "儿童音-童声场景-艾彤"},
    {"Aiwei", "萝莉女声-童声场景-艾薇"},
    {"Aibao", "萝莉女声-童声场景-艾宝"},
    {"Harry", "英音男声-英文场景-Harry-仅支持英语"},
    {"Abby", "美音女声-英文场景-Abby-仅支持英语"},
    {"Andy", "美音男声-英文场景-Andy-仅支持英语"},
    {"Eric", "英音男声-英文场景-Eric-仅支持英语"},
    {"Emily", "英音女声-英文场景-Emily-仅支持英语"},
    {"Luna", "英音女声-英文场景-Luna-仅支持英语"},
    {"Luca", "英音男声-英文场景-Luca-仅支持英语"},
    {"Wendy", "英音女声-英文场景-Wendy-仅支持英语"},
    {"William", "英音男声-英文场景-William-仅支持英语"},
    {"Olivia", "英音女声-英文场景-Olivia-仅支持英语"},
    {"Shanshan", "粤语女声-方言场景-姗姗"},
    {"Xiaoyue", "四川话女声-方言场景-小玥"},
    {"Lydia", "英中双语女声-英文场景-Lydia"},
    {"Aishuo", "自然男声-客服场景-艾硕"},
    {"Qingqing", "台湾话女声-方言场景-青青"},
    {"Cuijie", "东北话女声-方言场景-翠姐"},
    {"Xiaoze", "湖南重口音男声-方言场景-小泽"},
    {"Tomoka", "日语女声-文学场景-智香"},
    {"Tomoya", "日语男声-文学场景-智也"},
    {"Annie", "美语女声-文学场景-Annie-仅支持英语"},
}};

}  // namespace

std::span<const Voice> voice_table() { return kVoices; }

const Voice* find_voice(std::string_view id) {
  for (const Voice& voice : kVoices) {
    if (voice.id == id) return &voice;
  }
  return nullptr;
}

}  // namespace service
