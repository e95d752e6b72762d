#include "decoder/core/identifiers/rss_identifier.h"

namespace DEC2DIvra {

// Every GS1 DataBar form carries GS1 element strings.
bool RSSIdentifier::GetAIMIdentifier(char* buffer, unsigned size) const
{
    return WriteAIM(buffer, size, 'e', '0');
}

char RSSIdentifier::GetIvraIdentifier() const { return 'x'; }

}  // namespace DEC2DIvra
