MMMMM----- Recipe via Meal-Master
