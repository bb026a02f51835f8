#ifndef QUILLMAP_TESTS_INVENTORROUNDTRIP_H
#define QUILLMAP_TESTS_INVENTORROUNDTRIP_H

// Checks of a node class's fields as Inventor files carry them: the fields of
// a fresh node in order with their values, and a node written with
// SoWriteAction and read back with SoDB::readAll.

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoOutput.h>
#include <Inventor/actions/SoWriteAction.h>
#include <Inventor/fields/SoField.h>
#include <Inventor/lists/SoFieldList.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoSeparator.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// "name value" for every field of a new node of the named type, in order.
inline std::vector<std::string> fieldsWithValues(const char* typeName)
{
    std::vector<std::string> out;
    const SoType type = SoType::fromName(typeName);
    if (type == SoType::badType() || !type.canCreateInstance()) {
        ADD_FAILURE() << typeName << " is not a registered node type";
        return out;
    }
    SoNode* node = static_cast<SoNode*>(type.createInstance());
    node->ref();
    SoFieldList fields;
    for (int i = 0; i < node->getFields(fields); ++i) {
        SbName name;
        SbString value;
        node->getFieldName(fields[i], name);
        fields[i]->get(value);
        out.push_back(std::string(name.getString()) + " " + value.getString());
    }
    node->unref();
    return out;
}

// Reads the first node of `text`, writes it to a memory buffer, reads that
// back and expects the same type, equal fields and (for groups) as many
// children.
inline void expectRoundTrip(const char* text)
{
    SoInput in;
    in.setBuffer(text, std::strlen(text));
    SoSeparator* original = SoDB::readAll(&in);
    ASSERT_NE(original, nullptr) << text;
    original->ref();
    SoNode* node = original->getChild(0);

    SoOutput out;
    out.setBuffer(std::malloc(1024), 1024, std::realloc);
    SoWriteAction write(&out);
    write.apply(node);
    void* buffer = nullptr;
    size_t size = 0;
    out.getBuffer(buffer, size);
    const std::string written(static_cast<const char*>(buffer), size);
    std::free(buffer);

    SoInput again;
    again.setBuffer(written.data(), written.size());
    SoSeparator* read = SoDB::readAll(&again);
    ASSERT_NE(read, nullptr) << written;
    read->ref();
    SoNode* copy = read->getChild(0);
    EXPECT_EQ(copy->getTypeId(), node->getTypeId()) << written;
    SoFieldList fields, copied;
    ASSERT_EQ(copy->getFields(copied), node->getFields(fields)) << written;
    for (int i = 0; i < fields.getLength(); ++i)
        EXPECT_TRUE(fields[i]->isSame(*copied[i])) << "field " << i << " of\n" << written;
    if (node->isOfType(SoGroup::getClassTypeId())) {
        EXPECT_EQ(static_cast<SoGroup*>(copy)->getNumChildren(), static_cast<SoGroup*>(node)->getNumChildren())
            << written;
    }
    read->unref();
    original->unref();
}

#endif // QUILLMAP_TESTS_INVENTORROUNDTRIP_H
