#include "decoder/legacy/engine/legacy_pattern_subroutine.h"

namespace {

// The grey value the engine reads outside the image.
constexpr unsigned short kWhite = 1023;

template <int Answer>
int Answering(void*, tagGrayImage_t const*, void const*)
{
    return Answer;
}

int Dispatch(void* s, tagGrayImage_t const* image, void const* item)
{
    return (*static_cast<tagSubrutineFunction*>(s))(s, image, item);
}

// The sample's index in the image, -1 outside it.
long long IndexOf(tagGrayImage_t const* image, void const* item)
{
    auto const* sample = static_cast<unsigned short const*>(item);
    return PatternPointInImage(image, sample) ? sample - image->pixels : -1;
}

int Pick(void* record, tagGrayImage_t const* image, void const* item)
{
    auto* s = static_cast<tagPickSubrutine*>(record);
    if (s->current == nullptr || s->current >= s->end) {
        return kSubrutineBreak;
    }
    long long const i = IndexOf(image, item);
    *s->current++ = i < 0 ? kWhite : image->pixels[i];
    return kSubrutineNoOperation;
}

int Double(void* record, tagGrayImage_t const* image, void const* item)
{
    auto* s = static_cast<tagDoubleSubrutine*>(record);
    if (s->firstAnswer != kSubrutineBreak) {
        s->firstAnswer = Dispatch(s->first, image, item);
    }
    if (s->secondAnswer != kSubrutineBreak) {
        s->secondAnswer = Dispatch(s->second, image, item);
    }
    return s->secondAnswer;
}

int DrawBlack(void*, tagGrayImage_t const* image, void const* item)
{
    long long const i = IndexOf(image, item);
    if (i >= 0) {
        image->pixels[i] = 0;
    }
    return kSubrutineNoOperation;
}

int DrawInverted(void*, tagGrayImage_t const* image, void const* item)
{
    long long const i = IndexOf(image, item);
    if (i >= 0) {
        image->pixels[i] = static_cast<unsigned short>(~image->pixels[i]);
    }
    return kSubrutineNoOperation;
}

}  // namespace

tagSubrutine SUBRUTINE_NO_OPERATION_INSTANCE{Answering<kSubrutineNoOperation>};
tagSubrutine SUBRUTINE_RETURN_ERROR_INSTANCE{Answering<kSubrutineError>};
tagSubrutine SUBRUTINE_RETURN_CONTINUE_INSTANCE{Answering<kSubrutineContinue>};
tagSubrutine SUBRUTINE_RETURN_BREAK_INSTANCE{Answering<kSubrutineBreak>};
tagSubrutine SUBRUTINE_RETURN_REQUEST_DECODE_INSTANCE{Answering<kSubrutineRequestDecode>};

void InitializePickSubrutine(tagPickSubrutine* s, unsigned short* buffer, int capacity)
{
    s->function = Pick;
    s->start = s->current = buffer;
    s->end = buffer != nullptr && capacity > 0 ? buffer + capacity : buffer;
}

void InitializeDoubleSubrutine(tagDoubleSubrutine* s, void* first, void* second)
{
    *s = {Double, first, second, kSubrutineNoOperation, kSubrutineNoOperation};
}

void InitializeDrawSubrutine(tagDrawSubrutine* s, tagColorType colour)
{
    s->function = colour == kColorInvert ? DrawInverted : DrawBlack;
}

int ExecuteSubrutine(void* s, tagGrayImage_t const* image, unsigned short const* sample)
{
    return Dispatch(s, image, sample);
}

int ExecutePointSubrutine(void* s, tagGrayImage_t const* image, tagPoint_t const* point)
{
    return Dispatch(s, image, point);
}

int ExecuteRectSubrutine(void* s, tagGrayImage_t const* image, tagPatternRect_t const* rect)
{
    return Dispatch(s, image, rect);
}

int ExecuteCyclePatternSegmentSubrutine(void* s, tagGrayImage_t const* image,
                                        tagCyclePatternSegment_t const* segment)
{
    return Dispatch(s, image, segment);
}
