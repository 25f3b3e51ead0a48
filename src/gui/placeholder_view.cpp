// Views of the forms are added here.
