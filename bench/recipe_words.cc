// The word lists behind the generated recipes, most common entries first (the picks are skewed
// towards the front of each list).
#include "recipe_words.h"

namespace kw::bench {
namespace {

struct DishWord {
    const char *word;
    const char *category;  // the category a recipe of this kind is usually filed under
};

constexpr DishWord kDishes[] = {
    {"Casserole", "Main dish"},
    {"Soup", "Soups"},
    {"Salad", "Salads"},
    {"Cake", "Cakes"},
    {"Cookies", "Cookies"},
    {"Pie", "Pies"},
    {"Bread", "Breads"},
    {"Stew", "Main dish"},
    {"Muffins", "Muffins"},
    {"Dip", "Appetizers"},
    {"Sauce", "Sauces"},
    {"Bars", "Cookies"},
    {"Stir-Fry", "Chinese"},
    {"Chili", "Main dish"},
    {"Pasta", "Pasta"},
    {"Bake", "Casseroles"},
    {"Pudding", "Desserts"},
    {"Salsa", "Mexican"},
    {"Quiche", "Eggs"},
    {"Loaf", "Breads"},
    {"Fudge", "Candies"},
    {"Curry", "Indian"},
    {"Enchiladas", "Mexican"},
    {"Lasagna", "Italian"},
    {"Chowder", "Soups"},
    {"Pancakes", "Breakfast"},
    {"Cobbler", "Desserts"},
    {"Tart", "Pies"},
    {"Roast", "Main dish"},
    {"Kabobs", "Barbecue"},
    {"Burgers", "Sandwiches"},
    {"Pizza", "Pizza"},
    {"Relish", "Condiments"},
    {"Jam", "Jams"},
    {"Pickles", "Canning"},
    {"Punch", "Beverages"},
    {"Smoothie", "Beverages"},
    {"Omelet", "Eggs"},
    {"Risotto", "Rice"},
    {"Pilaf", "Rice"},
    {"Gumbo", "Cajun"},
    {"Fritters", "Appetizers"},
    {"Scones", "Breads"},
    {"Biscuits", "Breads"},
    {"Crisp", "Desserts"},
    {"Torte", "Cakes"},
    {"Mousse", "Desserts"},
    {"Marinade", "Marinades"},
    {"Dressing", "Salad dressings"},
    {"Spread", "Appetizers"},
    {"Gratin", "Vegetables"},
    {"Souffle", "Eggs"},
    {"Strudel", "Pastry"},
    {"Dumplings", "Side dish"},
    {"Goulash", "Hungarian"},
    {"Tacos", "Mexican"},
    {"Frittata", "Eggs"},
    {"Brownies", "Cookies"},
    {"Cheesecake", "Cheesecakes"},
    {"Sorbet", "Frozen desserts"},
};

constexpr const char *kMains[] = {
    "Chicken",
    "Beef",
    "Chocolate",
    "Apple",
    "Potato",
    "Pork",
    "Cheese",
    "Shrimp",
    "Tomato",
    "Banana",
    "Turkey",
    "Zucchini",
    "Corn",
    "Bean",
    "Broccoli",
    "Spinach",
    "Mushroom",
    "Salmon",
    "Lemon",
    "Pumpkin",
    "Carrot",
    "Sausage",
    "Ham",
    "Rice",
    "Oatmeal",
    "Peanut Butter",
    "Blueberry",
    "Strawberry",
    "Peach",
    "Cherry",
    "Crab",
    "Tuna",
    "Lamb",
    "Onion",
    "Garlic",
    "Walnut",
    "Pecan",
    "Almond",
    "Coconut",
    "Orange",
    "Lime",
    "Cranberry",
    "Raspberry",
    "Eggplant",
    "Cabbage",
    "Cauliflower",
    "Lentil",
    "Black Bean",
    "Chickpea",
    "Tofu",
    "Veal",
    "Venison",
    "Duck",
    "Scallop",
    "Clam",
    "Lobster",
    "Cod",
    "Halibut",
    "Trout",
    "Pineapple",
    "Mango",
    "Pear",
    "Plum",
    "Apricot",
    "Date",
    "Fig",
    "Raisin",
    "Ginger",
    "Cinnamon",
    "Honey",
    "Maple",
    "Molasses",
    "Coffee",
    "Mocha",
    "Vanilla",
    "Caramel",
    "Butterscotch",
    "Sweet Potato",
    "Squash",
    "Asparagus",
    "Artichoke",
    "Leek",
    "Pepper",
    "Jalapeno",
    "Avocado",
    "Cucumber",
    "Celery",
    "Barley",
    "Wild Rice",
    "Polenta",
    "Macaroni",
    "Noodle",
    "Spaghetti",
    "Meatball",
    "Bacon",
    "Ground Beef",
    "Steak",
    "Brisket",
    "Rib",
    "Pork Chop",
    "Chicken Breast",
    "Cornmeal",
    "Buttermilk",
    "Yogurt",
    "Sour Cream",
    "Cream Cheese",
    "Feta",
    "Cheddar",
    "Parmesan",
    "Mozzarella",
    "Ricotta",
};

constexpr const char *kAdjectives[] = {
    "Easy",         "Quick",       "Spicy",   "Baked",   "Creamy",    "Old-Fashioned",
    "Grilled",      "Hearty",      "Low-Fat", "Crunchy", "Sweet",     "Savory",
    "Country",      "Golden",      "Fresh",   "Holiday", "Hot",       "Cold",
    "Honey-Glazed", "Roasted",     "Stuffed", "Smoked",  "Tangy",     "Zesty",
    "Rich",         "Light",       "Deluxe",  "Classic", "Homestyle", "Microwave",
    "Crockpot",     "Five-Minute", "No-Bake", "Frosted", "Glazed",    "Marinated",
    "Braised",      "Curried",     "Herbed",  "Lemony",  "Garlicky",  "Cheesy",
    "Wholesome",    "Festive",     "Summer",  "Winter",  "Autumn",    "Spring",
    "Midnight",
};

constexpr const char *kPlaces[] = {
    "Texas",     "Southern", "Cajun",        "Italian",     "Mexican",  "Greek",     "Swedish",
    "German",    "French",   "Chinese",      "Thai",        "Indian",   "Hungarian", "Polish",
    "Irish",     "Scottish", "Welsh",        "Cuban",       "Jamaican", "Moroccan",  "Tuscan",
    "Provencal", "Bavarian", "Creole",       "New England", "Kentucky", "Vermont",   "California",
    "Hawaiian",  "Santa Fe", "Philadelphia", "Boston",      "Memphis",  "Carolina",  "Alsatian",
};

constexpr const char *kCategories[] = {
    "Main dish",    "Desserts",      "Vegetables",
    "Breads",       "Soups",         "Salads",
    "Poultry",      "Cookies",       "Cakes",
    "Appetizers",   "Beef",          "Pork",
    "Seafood",      "Pies",          "Side dish",
    "Casseroles",   "Sauces",        "Italian",
    "Mexican",      "Chinese",       "Low-fat",
    "Diabetic",     "Vegetarian",    "Microwave",
    "Crockpot",     "Breakfast",     "Eggs",
    "Cheese",       "Rice",          "Pasta",
    "Beans",        "Grains",        "Holiday",
    "Christmas",    "Candies",       "Beverages",
    "Jams",         "Canning",       "Snacks",
    "Lamb",         "Game",          "Fish",
    "Chicken",      "Turkey",        "Muffins",
    "Quick breads", "Yeast breads",  "Salad dressings",
    "Marinades",    "Fruits",        "Chocolate",
    "Cajun",        "Greek",         "Indian",
    "Thai",         "Jewish",        "German",
    "French",       "Kids",          "Potluck",
    "Camping",      "Sandwiches",    "Pizza",
    "Condiments",   "Barbecue",      "Hungarian",
    "Pastry",       "Cheesecakes",   "Frozen desserts",
    "Vegan",        "Heart healthy", "Ethnic",
    "Brunch",       "Picnic",        "Wild game",
};

constexpr IngredientWord kIngredients[] = {
    {"Salt", MeasureClass::kPinch},
    {"Sugar", MeasureClass::kVolume},
    {"Butter", MeasureClass::kVolume},
    {"Flour", MeasureClass::kVolume},
    {"Eggs", MeasureClass::kCount},
    {"Onion", MeasureClass::kCount},
    {"Water", MeasureClass::kVolume},
    {"Milk", MeasureClass::kVolume},
    {"Garlic clove", MeasureClass::kCount},
    {"Pepper", MeasureClass::kPinch},
    {"Olive oil", MeasureClass::kVolume},
    {"Vanilla", MeasureClass::kPinch},
    {"Baking powder", MeasureClass::kPinch},
    {"Brown sugar", MeasureClass::kVolume},
    {"Baking soda", MeasureClass::kPinch},
    {"Vegetable oil", MeasureClass::kVolume},
    {"Lemon juice", MeasureClass::kVolume},
    {"Cinnamon", MeasureClass::kPinch},
    {"Parsley", MeasureClass::kVolume},
    {"Celery", MeasureClass::kCount},
    {"Tomatoes", MeasureClass::kCount},
    {"Cheddar cheese", MeasureClass::kWeight},
    {"Chicken broth", MeasureClass::kVolume},
    {"Sour cream", MeasureClass::kVolume},
    {"Carrots", MeasureClass::kCount},
    {"Green pepper", MeasureClass::kCount},
    {"Margarine", MeasureClass::kVolume},
    {"Heavy cream", MeasureClass::kVolume},
    {"Ground beef", MeasureClass::kWeight},
    {"Chicken breasts", MeasureClass::kWeight},
    {"Soy sauce", MeasureClass::kVolume},
    {"Worcestershire sauce", MeasureClass::kPinch},
    {"Parmesan cheese", MeasureClass::kVolume},
    {"Mayonnaise", MeasureClass::kVolume},
    {"Dry white wine", MeasureClass::kVolume},
    {"Oregano", MeasureClass::kPinch},
    {"Basil", MeasureClass::kPinch},
    {"Thyme", MeasureClass::kPinch},
    {"Paprika", MeasureClass::kPinch},
    {"Nutmeg", MeasureClass::kPinch},
    {"Ginger", MeasureClass::kPinch},
    {"Chili powder", MeasureClass::kPinch},
    {"Cumin", MeasureClass::kPinch},
    {"Bay leaf", MeasureClass::kCount},
    {"Cayenne", MeasureClass::kPinch},
    {"Mushrooms", MeasureClass::kWeight},
    {"Potatoes", MeasureClass::kWeight},
    {"Rice", MeasureClass::kVolume},
    {"Cream cheese", MeasureClass::kWeight},
    {"Walnuts", MeasureClass::kVolume},
    {"Pecans", MeasureClass::kVolume},
    {"Raisins", MeasureClass::kVolume},
    {"Semisweet chocolate chips", MeasureClass::kVolume},
    {"Cocoa", MeasureClass::kVolume},
    {"Honey", MeasureClass::kVolume},
    {"Cornstarch", MeasureClass::kVolume},
    {"Tomato sauce", MeasureClass::kPackage},
    {"Tomato paste", MeasureClass::kPackage},
    {"Kidney beans", MeasureClass::kPackage},
    {"Cream of mushroom soup", MeasureClass::kPackage},
    {"Evaporated milk", MeasureClass::kPackage},
    {"Frozen spinach", MeasureClass::kPackage},
    {"Green onions", MeasureClass::kCount},
    {"Zucchini", MeasureClass::kCount},
    {"Lemon", MeasureClass::kCount},
    {"Orange juice", MeasureClass::kVolume},
    {"Buttermilk", MeasureClass::kVolume},
    {"Oats", MeasureClass::kVolume},
    {"Cornmeal", MeasureClass::kVolume},
    {"Yeast", MeasureClass::kPackage},
    {"Shortening", MeasureClass::kVolume},
    {"Powdered sugar", MeasureClass::kVolume},
    {"Bacon", MeasureClass::kWeight},
    {"Ham", MeasureClass::kWeight},
    {"Pork chops", MeasureClass::kCount},
    {"Shrimp", MeasureClass::kWeight},
    {"Salmon fillets", MeasureClass::kWeight},
    {"Apples", MeasureClass::kCount},
    {"Bananas", MeasureClass::kCount},
    {"Strawberries", MeasureClass::kVolume},
    {"Blueberries", MeasureClass::kVolume},
    {"Coconut", MeasureClass::kVolume},
    {"Almonds", MeasureClass::kVolume},
    {"Peanut butter", MeasureClass::kVolume},
    {"Maple syrup", MeasureClass::kVolume},
    {"Molasses", MeasureClass::kVolume},
    {"Vinegar", MeasureClass::kVolume},
    {"Red wine vinegar", MeasureClass::kVolume},
    {"Dijon mustard", MeasureClass::kPinch},
    {"Dry mustard", MeasureClass::kPinch},
    {"Hot pepper sauce", MeasureClass::kPinch},
    {"Ketchup", MeasureClass::kVolume},
    {"Beef broth", MeasureClass::kVolume},
    {"Egg whites", MeasureClass::kCount},
    {"Egg yolks", MeasureClass::kCount},
    {"Mozzarella cheese", MeasureClass::kWeight},
    {"Ricotta cheese", MeasureClass::kWeight},
    {"Feta cheese", MeasureClass::kWeight},
    {"Swiss cheese", MeasureClass::kWeight},
    {"Spaghetti", MeasureClass::kWeight},
    {"Elbow macaroni", MeasureClass::kWeight},
    {"Egg noodles", MeasureClass::kWeight},
    {"Bread crumbs", MeasureClass::kVolume},
    {"Cabbage", MeasureClass::kCount},
    {"Broccoli florets", MeasureClass::kVolume},
    {"Cauliflower", MeasureClass::kCount},
    {"Corn kernels", MeasureClass::kVolume},
    {"Peas", MeasureClass::kVolume},
    {"Green beans", MeasureClass::kWeight},
    {"Red bell pepper", MeasureClass::kCount},
    {"Jalapeno pepper", MeasureClass::kCount},
    {"Cilantro", MeasureClass::kVolume},
    {"Fresh dill", MeasureClass::kPinch},
    {"Rosemary", MeasureClass::kPinch},
    {"Sage", MeasureClass::kPinch},
    {"Cloves", MeasureClass::kPinch},
    {"Allspice", MeasureClass::kPinch},
    {"Curry powder", MeasureClass::kPinch},
    {"Turmeric", MeasureClass::kPinch},
    {"Sesame oil", MeasureClass::kPinch},
    {"Sesame seeds", MeasureClass::kPinch},
    {"Tofu", MeasureClass::kWeight},
    {"Lentils", MeasureClass::kVolume},
    {"Chickpeas", MeasureClass::kPackage},
    {"Black beans", MeasureClass::kPackage},
    {"Sweet potatoes", MeasureClass::kWeight},
    {"Pumpkin puree", MeasureClass::kPackage},
    {"Cranberries", MeasureClass::kVolume},
    {"Pineapple chunks", MeasureClass::kPackage},
    {"Dates", MeasureClass::kVolume},
    {"Lime juice", MeasureClass::kVolume},
    {"Orange peel", MeasureClass::kPinch},
    {"Gelatin", MeasureClass::kPackage},
    {"Whipped topping", MeasureClass::kVolume},
    {"Graham cracker crumbs", MeasureClass::kVolume},
    {"Pie shell", MeasureClass::kCount},
    {"Flour tortillas", MeasureClass::kCount},
    {"Salsa", MeasureClass::kVolume},
    {"Ground turkey", MeasureClass::kWeight},
    {"Italian sausage", MeasureClass::kWeight},
    {"Beef chuck", MeasureClass::kWeight},
    {"Lamb shoulder", MeasureClass::kWeight},
    {"Crabmeat", MeasureClass::kWeight},
    {"Clams", MeasureClass::kPackage},
    {"Anchovy fillets", MeasureClass::kCount},
    {"Capers", MeasureClass::kPinch},
    {"Black olives", MeasureClass::kVolume},
    {"Pimientos", MeasureClass::kPackage},
    {"Shallots", MeasureClass::kCount},
    {"Leeks", MeasureClass::kCount},
    {"Asparagus", MeasureClass::kWeight},
    {"Eggplant", MeasureClass::kCount},
    {"Artichoke hearts", MeasureClass::kPackage},
    {"Avocado", MeasureClass::kCount},
    {"Cucumber", MeasureClass::kCount},
    {"Radishes", MeasureClass::kCount},
    {"Mint leaves", MeasureClass::kPinch},
    {"Light corn syrup", MeasureClass::kVolume},
    {"Unsweetened chocolate", MeasureClass::kWeight},
    {"Almond extract", MeasureClass::kPinch},
    {"Rum", MeasureClass::kVolume},
    {"Brandy", MeasureClass::kVolume},
    {"Sherry", MeasureClass::kVolume},
    {"Beer", MeasureClass::kVolume},
    {"Plain yogurt", MeasureClass::kVolume},
    {"Half-and-half", MeasureClass::kVolume},
    {"Cottage cheese", MeasureClass::kVolume},
    {"Wheat germ", MeasureClass::kVolume},
    {"Whole wheat flour", MeasureClass::kVolume},
    {"Rye flour", MeasureClass::kVolume},
    {"Barley", MeasureClass::kVolume},
    {"Wild rice", MeasureClass::kVolume},
    {"Couscous", MeasureClass::kVolume},
    {"Pine nuts", MeasureClass::kVolume},
    {"Sunflower seeds", MeasureClass::kVolume},
    {"Poppy seeds", MeasureClass::kPinch},
    {"Cream of tartar", MeasureClass::kPinch},
    {"Marshmallows", MeasureClass::kVolume},
};

constexpr const char *kPreparations[] = {
    "chopped",        "minced",        "diced",    "sliced",           "softened",
    "melted",         "beaten",        "divided",  "grated",           "shredded",
    "finely chopped", "thinly sliced", "to taste", "drained",          "peeled",
    "crushed",        "cubed",         "optional", "sifted",           "packed",
    "at room temp",   "cut up",        "halved",   "rinsed",           "toasted",
    "cooked",         "frozen",        "fresh",    "coarsely chopped", "cut in strips",
};

constexpr const char *kSections[] = {
    "SAUCE",    "FILLING", "TOPPING", "CRUST",    "GLAZE", "FROSTING", "DRESSING",
    "MARINADE", "DOUGH",   "GARNISH", "STREUSEL", "ICING", "BATTER",   "FOR SERVING",
};

// Method sentence templates: '%' is replaced by an ingredient name in lower case, '#' by a small
// number.
constexpr const char *kSentences[] = {
    "Preheat oven to 350 degrees and grease a 9 x 13-inch baking pan.",
    "In a large bowl combine the % and the %.",
    "Stir in the % until well blended.",
    "Bake for # minutes or until golden brown.",
    "Cover and simmer over low heat for # minutes, stirring occasionally.",
    "Heat the % in a heavy skillet over medium heat.",
    "Add the % and cook until tender, about # minutes.",
    "Beat the % until light and fluffy, then fold in the %.",
    "Season with salt and pepper to taste.",
    "Pour into the prepared pan and spread evenly.",
    "Remove from heat and let stand # minutes before serving.",
    "Chill at least # hours or overnight.",
    "Sprinkle with the % and serve at once.",
    "In a separate bowl whisk together the % and the %.",
    "Knead the dough on a floured board for # minutes until smooth and elastic.",
    "Let rise in a warm place until doubled, about # minutes.",
    "Bring the % to a boil, reduce the heat and simmer uncovered.",
    "Arrange the % in a single layer on a baking sheet.",
    "Drain well and set aside.",
    "Garnish with the % just before serving.",
    "Cool in the pan on a wire rack for # minutes.",
    "Mix the % with the % and toss lightly to coat.",
    "Refrigerate leftovers in a covered container.",
    "Cut into squares while still warm.",
    "Puree the mixture in a blender or food processor until smooth.",
    "Return the % to the pot and heat through.",
    "Spoon the % over the top and bake # minutes longer.",
    "Serve hot with crusty bread or over rice.",
    "Makes enough for a crowd and freezes well.",
    "Source: a church cookbook from # years ago, typed in by a friend.",
};

template <typename T, size_t N>
constexpr size_t CountOf(const T (&)[N]) {
    return N;
}

constexpr size_t kMaxTitle = 47;

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

RecipeWords::RecipeWords()
    : dishPick_(CountOf(kDishes), 1.1),
      mainPick_(CountOf(kMains), 1.1),
      adjectivePick_(CountOf(kAdjectives), 0.8),
      placePick_(CountOf(kPlaces), 0.8),
      categoryPick_(CountOf(kCategories), 1.0),
      ingredientPick_(CountOf(kIngredients), 0.7),
      preparationPick_(CountOf(kPreparations), 0.8) {}

std::string RecipeWords::Capitals(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        c = Upper(c);
    return out;
}

std::string RecipeWords::MakeTitle(BenchRandom &random, size_t dish, size_t main) const {
    const std::string dishWord = kDishes[dish].word;
    const std::string mainWord = kMains[main];
    const double shape = random.Unit();
    std::string title;
    if (shape < 0.3) {
        title = mainWord + " " + dishWord;
    } else if (shape < 0.56) {
        title = std::string(kAdjectives[adjectivePick_(random)]) + " " + mainWord + " " + dishWord;
    } else if (shape < 0.68) {
        title = mainWord + " and " + kMains[mainPick_(random)] + " " + dishWord;
    } else if (shape < 0.80) {
        title = mainWord + " " + dishWord + " with " + kMains[mainPick_(random)];
    } else if (shape < 0.92) {
        title = std::string(kPlaces[placePick_(random)]) + " " + mainWord + " " + dishWord;
    } else {
        title = std::string(kAdjectives[adjectivePick_(random)]) + " " +
                kPlaces[placePick_(random)] + " " + mainWord + " " + dishWord;
    }
    // Reposted variants of a recipe carry a roman numeral.
    if (random.Chance(0.04)) title += random.Chance(0.7) ? " II" : " III";
    return title;
}

RecipeHead RecipeWords::MakeHead(BenchRandom &random) const {
    RecipeHead head;
    const size_t dish = dishPick_(random);
    const size_t main = mainPick_(random);
    do {
        head.name = MakeTitle(random, dish, main);
    } while (head.name.size() > kMaxTitle);
    // Meal-Master archives hold many titles in capitals.
    if (random.Chance(0.35)) head.name = Capitals(head.name);

    const auto addCategory = [&head](const std::string &category) {
        for (const std::string &have : head.categories) {
            if (Capitals(have) == Capitals(category)) return;
        }
        head.categories.push_back(category);
    };
    if (random.Chance(0.75)) {
        addCategory(kDishes[dish].category);
    } else {
        addCategory(kCategories[categoryPick_(random)]);
    }
    for (int extra = random.Between(0, 3); extra > 0; --extra)
        addCategory(kCategories[categoryPick_(random)]);
    return head;
}

const IngredientWord &RecipeWords::PickIngredient(BenchRandom &random) const {
    return kIngredients[ingredientPick_(random)];
}

std::string_view RecipeWords::PickPreparation(BenchRandom &random) const {
    return kPreparations[preparationPick_(random)];
}

std::string_view RecipeWords::PickSection(BenchRandom &random) const {
    return kSections[random.Below(CountOf(kSections))];
}

std::string RecipeWords::MakeSentence(BenchRandom &random,
                                      const std::vector<std::string> &ingredients) const {
    const std::string_view pattern = kSentences[random.Below(CountOf(kSentences))];
    std::string out;
    for (const char c : pattern) {
        if (c == '%') {
            std::string name = ingredients.empty() ? std::string("mixture")
                                                   : ingredients[random.Below(ingredients.size())];
            for (char &n : name)
                n = Lower(n);
            out += name;
        } else if (c == '#') {
            out += std::to_string(random.Between(2, 60));
        } else {
            out += c;
        }
    }
    return out;
}

RecipeHead UniqueHeads::Next(BenchRandom &random) {
    for (int attempt = 0;; ++attempt) {
        RecipeHead head = words_.MakeHead(random);
        // A crowded title space still ends: later attempts number the title.
        if (attempt >= 8) head.name = head.name.substr(0, 38) + " " + std::to_string(seen_.size());
        if (seen_.insert(RecipeWords::Capitals(head.categories.front() + "|" + head.name)).second)
            return head;
    }
}

}  // namespace kw::bench
