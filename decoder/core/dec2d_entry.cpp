#include "decoder/core/dec2d_entry.h"

#include <atomic>
#include <new>

#include "decoder/core/identifiers/symbology_identifier.h"
#include "decoder/two_dimension_decoder.h"

namespace {

std::atomic<DEC2DIvra::DEC2DProperty*> registeredProperty{nullptr};

DEC2DIvra::SymbologyIdentifier const* AsIdentifier(void const* identifier)
{
    return static_cast<DEC2DIvra::SymbologyIdentifier const*>(identifier);
}

}  // namespace

void DEC2D_SetDec2DProperty(DEC2DIvra::DEC2DProperty* property) { registeredProperty.store(property); }

DEC2D_HANDLE DEC2D_GetSingletonDecoderHandle()
{
    // Lives as long as the process: nothing is torn down while the device runs.
    static DEC2D_HANDLE const handle = new (std::nothrow) DEC2DIvra::TwoDimensionDecoder(registeredProperty.load());
    return handle;
}

DEC2DIvra::DEC2DProperty* DEC2D_GetDec2DProperty(DEC2D_HANDLE handle)
{
    return handle != nullptr ? handle->GetProperty() : nullptr;
}

int DEC2D_ImplementFormatter(DEC2D_HANDLE handle, void* context, void* outputContext, void* spare,
                             DEC2D_LABEL_CALLBACK callback)
{
    return handle != nullptr ? handle->ImplementFormatter(context, outputContext, spare, callback) : 0;
}

void DEC2D_OnTriggerDown(DEC2D_HANDLE handle)
{
    if (handle != nullptr) {
        handle->OnTriggerDown();
    }
}

int DEC2D_Main(DEC2D_HANDLE handle, int width, int height, int pitch, unsigned short const* pixels,
               DEC2DIvra::tagDecodeOption const* option)
{
    return handle != nullptr ? handle->Main(width, height, pitch, pixels, option) : 0;
}

tagSymbology DEC2D_GetSymbology(void const* identifier)
{
    return identifier != nullptr ? AsIdentifier(identifier)->GetSymbology() : SYMBOLOGY_NONE;
}

unsigned DEC2D_GetModifier(void const* identifier)
{
    return identifier != nullptr ? AsIdentifier(identifier)->GetModifier() : 0u;
}

int DEC2D_GetAIMIdentifier(void const* identifier, char* buffer, unsigned size)
{
    if (identifier == nullptr) {
        if (buffer != nullptr && size > 0) {
            buffer[0] = '\0';
        }
        return 0;
    }
    return AsIdentifier(identifier)->GetAIMIdentifier(buffer, size) ? 1 : 0;
}

char DEC2D_GetIvraIdentifier(void const* identifier)
{
    return identifier != nullptr ? AsIdentifier(identifier)->GetIvraIdentifier() : '\0';
}
