// Moving a whole labelling in or out of the object.
#include "optimizer/lumora.h"

void Lumora::setAllLabels(const int32_t* labels) {
    // Test and copy alternate pixel by pixel: a bad label stops the copy
    // there, with the earlier pixels already replaced.
    for (int32_t p = 0; p < m_num_pixels; ++p) {
        reportError(labels[p] < 0 || labels[p] >= m_num_labels, "Wrong label value");
        m_labels[p] = labels[p];
    }
}

void Lumora::exportLabels(int32_t* out) const {
    for (int32_t p = 0; p < m_num_pixels; ++p) out[p] = m_labels[p];
}
