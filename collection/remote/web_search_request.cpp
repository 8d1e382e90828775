#include "collection/remote/web_search_request.h"

#include "collection/remote/web_frame.h"
#include "collection/search_criteria.h"
#include "collection/text_cut.h"

#include <cstring>

namespace {

// The numeric fields in the order they travel, shared by the writer and the reader.
template <typename Criteria, typename Visit> void VisitNumbers(Criteria& c, Visit&& visit) {
    for (auto* field : {&c.sampleRateMin, &c.sampleRateMax, &c.durationMin, &c.durationMax,
                        &c.bpmMin, &c.bpmMax, &c.keyMask})
        visit(*field);
    for (auto* table : {&c.intMin, &c.intMax, &c.intMask})
        for (auto& field : *table)
            visit(field);
}

template <typename Criteria, typename Visit> void VisitTail(Criteria& c, Visit&& visit) {
    for (auto* field : {&c.scoreMin, &c.scoreMax, &c.textFieldMask, &c.ownPitchOnly, &c.maxResults})
        visit(*field);
}

} // namespace

int BuildSearchRequest(const SearchCriteria& criteria, std::vector<unsigned char>* frame) {
    if (frame == nullptr)
        return kWebBadArgument;
    WebFrameWriter w(kWebSearchRequestType);
    w.PutInt(0);
    w.PutInt(0);
    VisitNumbers(criteria, [&w](const int& v) { w.PutInt(v); });
    const SoundSignature none{};
    w.PutBytes(criteria.targetSignature ? criteria.targetSignature->bytes : none.bytes, 16);
    VisitTail(criteria, [&w](const int& v) { w.PutInt(v); });
    // The text ends at its first zero byte, and never holds more than a search form allows.
    const std::string keywords =
        CutText(criteria.keywords.c_str(), SearchCriteria::kMaxKeywordBytes);
    w.PutText(keywords.c_str());
    *frame = w.Finish();
    if (frame->size() > kWebFrameMaxLength)
        return kWebBadArgument;
    return SealFrame(frame->data(), frame->size());
}

int ParseSearchRequest(unsigned char* frame, std::size_t length, SearchCriteria* criteria) {
    if (frame == nullptr || criteria == nullptr)
        return kWebBadArgument;
    if (length < kWebFrameMinLength || length > kWebFrameMaxLength ||
        ReadBigEndian32(frame) != length)
        return kWebBadFrame;
    if (int error = UnsealFrame(frame, length); error != 0)
        return error;
    if (ReadBigEndian32(frame + 8) != kWebSearchRequestType)
        return kWebBadArgument;
    criteria->Init();
    WebFrameReader r(frame, 12, length - 4);
    std::int32_t unused = 0;
    r.GetInt(&unused);
    r.GetInt(&unused);
    VisitNumbers(*criteria, [&r](int& v) { r.GetInt(&v); });
    SoundSignature target{};
    r.GetBytes(target.bytes, 16);
    VisitTail(*criteria, [&r](int& v) { r.GetInt(&v); });
    std::string keywords;
    r.GetText(&keywords);
    if (r.Failed() || r.Remaining() != 0)
        return kWebBadFrame;
    const SoundSignature none{};
    if (std::memcmp(target.bytes, none.bytes, 16) != 0)
        criteria->SetTargetSignature(target);
    criteria->SetKeywords(keywords);
    return 0;
}
