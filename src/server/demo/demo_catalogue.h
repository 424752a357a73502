#pragma once
// The word lists the demo account set draws its names from: goods categories with their products
// (units, carton sizes, cost ranges, specifications), company and personal names.

#include <vector>

namespace dyt::demo::catalogue {

struct Product {
    const char* name;
    const char* unit;
    const char* auxUnit;  // nullptr: sold by the piece only
    int rate;             // pieces in the auxiliary unit
    double costLow;
    double costHigh;
    std::vector<const char*> specs;
};

struct SubCategory {
    const char* name;
    std::vector<Product> products;
};

struct Category {
    const char* name;
    std::vector<SubCategory> subs;
};

const std::vector<Category>& goodsCategories();
const std::vector<const char*>& brands();
const std::vector<const char*>& cities();
const std::vector<const char*>& companyCores();
const std::vector<const char*>& customerSuffixes();
const std::vector<const char*>& supplierSuffixes();
const std::vector<const char*>& surnames();
const std::vector<const char*>& givenNames();
const std::vector<const char*>& streets();

}  // namespace dyt::demo::catalogue
